// Every command, setting-word and function handler the tables name, by family.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// ---- commands and setting words not in this build -------------------------
void cmdNotBuilt(StatementRecord& record, Engine& engine);
void setNotBuilt(StatementRecord& record, Engine& engine);
void fnNotBuilt(Text& result, Text& args, Engine& engine);

// ---- declarations (declare.cpp) --------------------------------------------
void cmdDeclare(StatementRecord& record, Engine& engine);

// ---- control flow (conditional.cpp, loops.cpp, control_flow.cpp) ----------
void cmdRepeat(StatementRecord& record, Engine& engine);
void cmdLeave(StatementRecord& record, Engine& engine);
void cmdStop(StatementRecord& record, Engine& engine);
void cmdJump(StatementRecord& record, Engine& engine);
void cmdBranch(StatementRecord& record, Engine& engine);

// ---- computing and storing (assignment_commands.cpp) -----------------------
void cmdPut(StatementRecord& record, Engine& engine);
void cmdCalculate(StatementRecord& record, Engine& engine);
void cmdAdd(StatementRecord& record, Engine& engine);
void cmdSubtract(StatementRecord& record, Engine& engine);
void cmdSwap(StatementRecord& record, Engine& engine);

// ---- running further program text (program_commands.cpp) ------------------
void cmdRunText(StatementRecord& record, Engine& engine);
void cmdExecute(StatementRecord& record, Engine& engine);
void cmdRefer(StatementRecord& record, Engine& engine);
void cmdOrder(StatementRecord& record, Engine& engine);

// ---- text input and output (textio.cpp) -----------------------------------
void cmdDisplay(StatementRecord& record, Engine& engine);
void cmdWait(StatementRecord& record, Engine& engine);
void cmdRest(StatementRecord& record, Engine& engine);
void setTitle(StatementRecord& record, Engine& engine);

// ---- setting words of the engine (engine_settings.cpp) ---------------------
void setErrorMode(StatementRecord& record, Engine& engine);
void setLocals(StatementRecord& record, Engine& engine);
void setProgressProcedure(StatementRecord& record, Engine& engine);
void setStartupText(StatementRecord& record, Engine& engine);

// ---- engine-state functions (engine_functions.cpp) -------------------------
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
