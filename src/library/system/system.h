// System: programs, the session, associations, system facts, keys typed into other windows.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Programs, the session and associations.
CommandFn cmdStartProgram, cmdStartAndWait, cmdRestartSystem, cmdLogOff, cmdForcedLogOff,
    cmdStandby, cmdAssociate;
// 削除 of "…の関連付け" / "…の関連づけ" (woArg as written).
CommandFn cmdDeleteAssociation;
FunctionFn fnWindowsVersion, fnWindowsBuild, fnWindowsKind, fnEnvironmentVariable, fnIsRunning,
    fnRunningPrograms;

// Keys typed into other programs' windows.
CommandFn cmdTypeKeys, cmdTypeRawKeys;

}  // namespace qel
