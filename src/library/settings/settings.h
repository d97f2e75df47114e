// Settings: the registry stand-in, settings files and the per-user application settings.
#pragma once

#include "core/cmd_data.h"

namespace qel {

void cmdSetting(StatementRecord& record, Engine& engine);
// The 削除 forms レジストリの… and 設定ファイルの… (the 削除 command hands them here).
void cmdDeleteSetting(StatementRecord& record, Engine& engine);
void setSettingsFile(StatementRecord& record, Engine& engine);
void fnSetting(Text& result, Text& args, Engine& engine);
void fnSettingsFile(Text& result, Text& args, Engine& engine);
void fnRegistrySubkeys(Text& result, Text& args, Engine& engine);
void fnRegistryValueNames(Text& result, Text& args, Engine& engine);

}  // namespace qel
