// The per-user settings store: the registry stand-in that scripts write with
// 設定 and the application settings of the runtime itself (the protection key
// among them). Both live in one store so that one lock keeps every writer
// apart; they are separate areas, so no registry path a script can name ever
// reaches the application settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "text/text.h"

namespace qel {

enum class SettingsArea {
    Registry,     // key paths beginning with a root: HKEY_CURRENT_USER\Software\…
    Application,  // application "\" section: Qelscript\Secure, Qelscript\AppSettings\…
};

enum class SettingsFault {
    None,
    // The stored file cannot be read as a store. It is left exactly as it is
    // and every change is refused until the user repairs or removes it.
    Damaged,
    Failed,  // the folder or file could not be used (permissions, a full disk …)
};

struct SettingsStatus {
    SettingsFault fault = SettingsFault::None;
    std::string message;  // what and where (UTF-8), for the error report
    explicit operator bool() const { return fault == SettingsFault::None; }
};

// Key paths are components joined with "\"; empty components are ignored and
// components compare without regard to the case of Latin letters, as do value
// names. An empty value name is the key's default value.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // A value that does not exist (or a key that does not) leaves `value` empty
    // and is no fault.
    virtual SettingsStatus read(SettingsArea area, TextView keyPath, TextView name,
                                std::optional<Text>& value) = 0;
    virtual SettingsStatus write(SettingsArea area, TextView keyPath, TextView name,
                                 TextView value) = 0;
    // Removing what is not there is no fault; `removed` says whether anything was.
    virtual SettingsStatus removeValue(SettingsArea area, TextView keyPath, TextView name,
                                       bool& removed) = 0;
    // The key with all its values and subkeys.
    virtual SettingsStatus removeKey(SettingsArea area, TextView keyPath, bool& removed) = 0;
    // Names of the key's direct subkeys, in the order of their folded names.
    virtual SettingsStatus subkeys(SettingsArea area, TextView keyPath,
                                   std::vector<Text>& names) = 0;
    // Names of the key's values, in the order they were first written.
    virtual SettingsStatus valueNames(SettingsArea area, TextView keyPath,
                                      std::vector<Text>& names) = 0;
    // Where the store lives, for messages and documentation (UTF-8).
    virtual std::string location() const = 0;
    // The store's own folder first, then its files, as system paths; the
    // temporary files of a change are made in that folder too. Scripts must
    // not change any of them with a file command: that would let them
    // rewrite or remove the protection key. Empty when the store keeps no
    // files.
    virtual std::vector<std::string> ownPaths() const { return {}; }
};

}  // namespace qel
