// Control: branches, loops, jumps, assignment, further program text, the engine's own words.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Branches, loops, jumps and the end of the script.
void cmdRepeat(StatementRecord& record, Engine& engine);
void cmdLeave(StatementRecord& record, Engine& engine);
void cmdStop(StatementRecord& record, Engine& engine);
void cmdJump(StatementRecord& record, Engine& engine);
void cmdBranch(StatementRecord& record, Engine& engine);

// Computing and storing.
void cmdPut(StatementRecord& record, Engine& engine);
void cmdCalculate(StatementRecord& record, Engine& engine);
void cmdAdd(StatementRecord& record, Engine& engine);
void cmdSubtract(StatementRecord& record, Engine& engine);
void cmdSwap(StatementRecord& record, Engine& engine);

// Running further program text.
void cmdRunText(StatementRecord& record, Engine& engine);
void cmdExecute(StatementRecord& record, Engine& engine);
void cmdRefer(StatementRecord& record, Engine& engine);
void cmdOrder(StatementRecord& record, Engine& engine);

// Setting words of the engine.
void setErrorMode(StatementRecord& record, Engine& engine);
void setLocals(StatementRecord& record, Engine& engine);
void setProgressProcedure(StatementRecord& record, Engine& engine);
void setStartupText(StatementRecord& record, Engine& engine);

// Functions that report the engine's state.
void fnAnswer(Text& result, Text& args, Engine& engine);
void fnNewLine(Text& result, Text& args, Engine& engine);
void fnTab(Text& result, Text& args, Engine& engine);
void fnRunKind(Text& result, Text& args, Engine& engine);
void fnVersion(Text& result, Text& args, Engine& engine);
void fnLastUpdated(Text& result, Text& args, Engine& engine);
void fnErrorMessage(Text& result, Text& args, Engine& engine);
void fnErrorNumber(Text& result, Text& args, Engine& engine);
void fnErrorFile(Text& result, Text& args, Engine& engine);
void fnErrorLine(Text& result, Text& args, Engine& engine);
void fnCommandLine(Text& result, Text& args, Engine& engine);
void fnTitle(Text& result, Text& args, Engine& engine);
void fnUptime(Text& result, Text& args, Engine& engine);

}  // namespace qel
