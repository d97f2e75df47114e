// What the engine and the command line need from the settings family: the
// place of the protection key, loading it at the start of a run, and the way
// store faults are reported.
#pragma once

#include "platform/ports/settings_store.h"
#include "resources/error_catalogue.h"
#include "text/text.h"

namespace qel {

class Engine;

// The protection key: application "Qelscript", section "Secure", value "Key".
inline constexpr TextView kProtectionKeyPath = u"Qelscript\\Secure";
inline constexpr TextView kProtectionKeyName = u"Key";

// Reads the stored key and sets the engine's protection flags from it
// (reporting a damaged key). When the store itself cannot be read (damaged,
// or its file cannot be opened) that is reported and every category is
// forbidden until it is repaired: a choice the user made must not vanish
// because its file broke.
void LoadStoredProtection(Engine& engine);

// Reports a store fault: a damaged store as ErrorId::SettingsStoreDamaged
// (naming the file and the line), else `failedError` with `word` and the
// system's reason.
void ReportSettingsFault(Engine& engine, const SettingsStatus& status, ErrorId failedError,
                         TextView word);

}  // namespace qel
