// Archives: compressing, extracting, and self-extracting archives.
#pragma once

#include "core/cmd_data.h"

namespace qel {

CommandFn cmdCompress, cmdExtract;
// 作れ of a name beginning with 自己解凍書庫 (woArg as written).
CommandFn cmdCreateSelfExtracting;

}  // namespace qel
