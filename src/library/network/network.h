// Network: downloads and uploads over HTTP, HTTPS and FTP.
#pragma once

#include "core/cmd_data.h"

namespace qel {

void cmdDownload(StatementRecord& record, Engine& engine);
void cmdUpload(StatementRecord& record, Engine& engine);
void fnHttpDownload(Text& result, Text& args, Engine& engine);

}  // namespace qel
