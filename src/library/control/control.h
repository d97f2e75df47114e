// Control: branches, loops, jumps, assignment, further program text, the engine's own words.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Branches, loops, jumps and the end of the script.
CommandFn cmdRepeat, cmdLeave, cmdStop, cmdJump, cmdBranch;

// Computing and storing.
CommandFn cmdPut, cmdCalculate, cmdAdd, cmdSubtract, cmdSwap;

// Running further program text.
CommandFn cmdRunText, cmdExecute, cmdRefer, cmdOrder;

// Setting words of the engine.
CommandFn setErrorMode, setLocals, setProgressProcedure, setStartupText;

// Functions that report the engine's state.
FunctionFn fnAnswer, fnNewLine, fnTab, fnRunKind, fnVersion, fnLastUpdated, fnErrorMessage,
    fnErrorNumber, fnErrorFile, fnErrorLine, fnCommandLine, fnTitle, fnUptime;

}  // namespace qel
