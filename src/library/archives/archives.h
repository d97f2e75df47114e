// Archives: compressing, extracting, and self-extracting archives.
#pragma once

#include "core/cmd_data.h"

namespace qel {

void cmdCompress(StatementRecord& record, Engine& engine);
void cmdExtract(StatementRecord& record, Engine& engine);
// 作れ of a name beginning with 自己解凍書庫 (woArg as written).
void cmdCreateSelfExtracting(StatementRecord& record, Engine& engine);

}  // namespace qel
