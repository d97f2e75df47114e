// System: programs, the session, associations, system facts, keys typed into other windows.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Programs, the session and associations.
void cmdStartProgram(StatementRecord& record, Engine& engine);
void cmdStartAndWait(StatementRecord& record, Engine& engine);
void cmdRestartSystem(StatementRecord& record, Engine& engine);
void cmdLogOff(StatementRecord& record, Engine& engine);
void cmdForcedLogOff(StatementRecord& record, Engine& engine);
void cmdStandby(StatementRecord& record, Engine& engine);
void cmdAssociate(StatementRecord& record, Engine& engine);
// 削除 of "…の関連付け" / "…の関連づけ" (woArg as written).
void cmdDeleteAssociation(StatementRecord& record, Engine& engine);
void fnWindowsVersion(Text& result, Text& args, Engine& engine);
void fnWindowsBuild(Text& result, Text& args, Engine& engine);
void fnWindowsKind(Text& result, Text& args, Engine& engine);
void fnEnvironmentVariable(Text& result, Text& args, Engine& engine);
void fnIsRunning(Text& result, Text& args, Engine& engine);
void fnRunningPrograms(Text& result, Text& args, Engine& engine);

// Keys typed into other programs' windows.
void cmdTypeKeys(StatementRecord& record, Engine& engine);
void cmdTypeRawKeys(StatementRecord& record, Engine& engine);

}  // namespace qel
