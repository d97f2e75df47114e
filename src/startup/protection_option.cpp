#include "startup/protection_option.h"

#include <ostream>
#include <sstream>

#include "library/settings/protection.h"
#include "library/settings/settings_access.h"
#include "platform/ports/settings_store.h"

namespace qel {

namespace {

struct CategoryWord {
    const char* word;
    const char* meaning;
};
// In flag order.
constexpr CategoryWord kCategories[] = {
    {"registry", "writing the registry (設定 of レジストリ, deleting registry entries, 関連づけ)"},
    {"files", "writing, changing and opening files and documents"},
    {"system", "shutting down, restarting, logging off, starting programs, file associations"},
    {"native", "calling native libraries and creating plug-ins"},
    {"ask", "ask before every guarded command"},
};

std::string describeFlags(const std::array<bool, 5>& flags) {
    std::string out;
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        if (!flags[i]) continue;
        out += "  forbidden: " + std::string(kCategories[i].word) + " - " + kCategories[i].meaning +
               "\n";
        any = true;
    }
    if (flags[2] && !flags[3])
        out += "  (native calls are refused too, because system is forbidden)\n";
    if (!any) out += "  nothing is forbidden\n";
    out += flags[4] ? "  a Yes/No box asks before every guarded command\n"
                    : "  guarded commands run without asking\n";
    return out;
}

void reportStoreFault(const SettingsStatus& status, std::ostream& err) {
    if (status.fault == SettingsFault::Damaged) {
        err << "qelscript: the settings store is damaged: " << status.message << "\n"
            << "qelscript: repair the line or remove the file; until then scripts may not use any "
               "guarded command and settings cannot be changed.\n";
    } else {
        err << "qelscript: the settings store cannot be used: " << status.message << '\n';
    }
}

}  // namespace

bool ParseProtectionWords(const std::string& list, std::array<bool, 5>& flags, std::string& error) {
    flags = {};
    std::stringstream words(list);
    std::string word;
    bool none = false, some = false;
    while (std::getline(words, word, ',')) {
        std::size_t b = word.find_first_not_of(' '), e = word.find_last_not_of(' ');
        word = b == std::string::npos ? std::string() : word.substr(b, e - b + 1);
        if (word == "none") {
            none = true;
            continue;
        }
        bool known = false;
        for (int i = 0; i < 5; ++i) {
            if (word == kCategories[i].word || (word == "all" && i < 4)) {
                flags[i] = true;
                known = true;
            }
        }
        if (!known) {
            error = "unknown protection word '" + word +
                    "' (use registry, files, system, native, ask, all or none)";
            return false;
        }
        some = true;
    }
    if (none == some) {
        error = "--protect takes a list such as registry,files,ask, or none";
        return false;
    }
    return true;
}

int SetProtection(SettingsStore& store, const std::array<bool, 5>& flags, std::ostream& out,
                  std::ostream& err) {
    bool any = false;
    for (bool flag : flags) any = any || flag;
    SettingsStatus status;
    if (any) {
        status = store.write(SettingsArea::Application, kProtectionKeyPath, kProtectionKeyName,
                             MakeProtectionKey(flags));
    } else {
        bool removed = false;
        status = store.removeValue(SettingsArea::Application, kProtectionKeyPath,
                                   kProtectionKeyName, removed);
    }
    if (!status) {
        reportStoreFault(status, err);
        return 1;
    }
    return ShowProtection(store, out, err);
}

int ShowProtection(SettingsStore& store, std::ostream& out, std::ostream& err) {
    std::optional<Text> key;
    SettingsStatus status =
        store.read(SettingsArea::Application, kProtectionKeyPath, kProtectionKeyName, key);
    if (!status) {
        reportStoreFault(status, err);
        return 1;
    }
    out << "Protection setting (" << store.location() << "):\n";
    if (!key || key->empty()) {
        out << "  no key is stored: nothing is forbidden\n";
        return 0;
    }
    ProtectionKey read = ReadProtectionKey(*key);
    out << "  key " << text::toUtf8(*key) << '\n';
    if (!read.sound) {
        out << "  the key is DAMAGED: every run starts with the message "
               "\"保護機能の設定が壊れています。\"\n"
               "  the categories it names still apply; set it again with --protect\n";
    }
    out << describeFlags(read.flags);
    return 0;
}

}  // namespace qel
