// Network: downloads and uploads over HTTP, HTTPS and FTP.
#pragma once

#include "core/cmd_data.h"

namespace qel {

CommandFn cmdDownload, cmdUpload;
FunctionFn fnHttpDownload;

}  // namespace qel
