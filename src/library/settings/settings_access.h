// What the engine and the command line need from the settings family: the
// place of the protection key, loading it at the start of a run, and the way
// store faults are reported.
#pragma once

#include "text/text.h"
#include "platform/ports/settings_store.h"

namespace qel {

class Engine;

// The protection key: application "Qelscript", section "Secure", value "Key".
inline constexpr TextView kProtectionKeyPath = u"Qelscript\\Secure";
inline constexpr TextView kProtectionKeyName = u"Key";

// A store that is damaged on disk (error 901, style 16): the message names
// the file and the line, and says how to get out of it.
inline constexpr int kDamagedStoreError = 901;
inline constexpr TextView kDamagedStoreMessage =
    u"設定の保存ファイルが壊れているため、設定を読み書きできません。\n"
    u"ファイルを直すか、削除してください。\n%1";

// Reads the stored key and sets the engine's protection flags from it
// (reporting a damaged key). When the store itself cannot be read (damaged,
// or its file cannot be opened) that is reported and every category is
// forbidden until it is repaired: a choice the user made must not vanish
// because its file broke.
void LoadStoredProtection(Engine& engine);

// Reports a store fault: 901 for a damaged store, else `failedError` with
// `word` and the system's reason.
void ReportSettingsFault(Engine& engine, const SettingsStatus& status, int failedError,
                         TextView word);

}  // namespace qel
