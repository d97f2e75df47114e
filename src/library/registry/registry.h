// The registry's own words: 宣言, and stand-ins for words this build does not carry yet.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Declarations (宣言).
void cmdDeclare(StatementRecord& record, Engine& engine);

// Commands, setting words and functions not in this build.
void cmdNotBuilt(StatementRecord& record, Engine& engine);
void setNotBuilt(StatementRecord& record, Engine& engine);
void fnNotBuilt(Text& result, Text& args, Engine& engine);

}  // namespace qel
