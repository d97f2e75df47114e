// The registry's own words: 宣言, and stand-ins for words this build does not carry yet.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Declarations (宣言).
CommandFn cmdDeclare;

// Commands, setting words and functions not in this build.
CommandFn cmdNotBuilt, setNotBuilt;
FunctionFn fnNotBuilt;

}  // namespace qel
