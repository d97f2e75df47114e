// Settings: the registry stand-in, settings files and the per-user application settings.
#pragma once

#include "core/cmd_data.h"

namespace qel {

CommandFn cmdSetting;
// The 削除 forms レジストリの… and 設定ファイルの… (the 削除 command hands them here).
CommandFn cmdDeleteSetting, setSettingsFile;
FunctionFn fnSetting, fnSettingsFile, fnRegistrySubkeys, fnRegistryValueNames;

}  // namespace qel
