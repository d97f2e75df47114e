// The settings store as one INI-like text file per user,
// $XDG_CONFIG_HOME/qelscript/settings.ini (~/.config when the variable is not
// set). Sections are "Registry\<key path>" and "Application\<app>\<section>",
// entries name=value with %XX escapes for the few characters the format
// cannot hold as they are.
//
// Every change is a read-modify-write under an exclusive flock on
// settings.lock beside the file, written to a temporary file in the same
// folder, flushed and renamed into place; readers take a shared lock. A file
// that cannot be read as a store is never rewritten: the change is refused
// and the file keeps every byte until its owner repairs or removes it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/ports/settings_store.h"
#include "text/ini.h"

namespace qel {

class FileSettingsStore : public SettingsStore {
  public:
    explicit FileSettingsStore(std::string folder);
    // $XDG_CONFIG_HOME/qelscript (an absolute XDG_CONFIG_HOME only), else
    // $HOME/.config/qelscript.
    static std::string defaultFolder();

    SettingsStatus read(SettingsArea area, TextView keyPath, TextView name,
                        std::optional<Text>& value) override;
    SettingsStatus write(SettingsArea area, TextView keyPath, TextView name,
                         TextView value) override;
    SettingsStatus removeValue(SettingsArea area, TextView keyPath, TextView name,
                               bool& removed) override;
    SettingsStatus removeKey(SettingsArea area, TextView keyPath, bool& removed) override;
    SettingsStatus subkeys(SettingsArea area, TextView keyPath, std::vector<Text>& names) override;
    SettingsStatus valueNames(SettingsArea area, TextView keyPath,
                              std::vector<Text>& names) override;
    std::string location() const override { return file_; }
    std::vector<std::string> ownPaths() const override { return {folder_, file_, lock_}; }

  private:
    using Reader = std::function<void(const ini::Document&)>;
    // Returns whether the document changed (and must be written).
    using Changer = std::function<bool(ini::Document&)>;
    SettingsStatus withShared(const Reader& reader);
    SettingsStatus withExclusive(const Changer& changer);
    SettingsStatus load(ini::Document& doc);
    SettingsStatus save(const ini::Document& doc);

    std::string folder_;
    std::string file_;
    std::string lock_;
    std::string shown_;  // the file as messages name it (~ for the home folder)
};

// The store's escapes and checks, shared with the tests.
namespace settings_format {
// The section that holds a key's values; empty when the path has no component.
Text sectionFor(SettingsArea area, TextView keyPath);
Text escapeName(TextView name);
Text escapeValue(TextView value);
// Undoes the escapes; nothing when the text holds a bad or needless escape.
std::optional<Text> unescape(TextView text);
// Why the document cannot be read as a store (with the line), or "".
std::string problemIn(const ini::Document& doc);
// Reads a file's bytes as a store into `doc`; why they cannot be one, or "".
std::string parseStore(std::string_view bytes, ini::Document& doc);
}  // namespace settings_format

}  // namespace qel
