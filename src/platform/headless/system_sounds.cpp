#include "platform/headless/system_sounds.h"

#include <sys/stat.h>
#include <array>
#include <cctype>
#include <cstdlib>
#include <string_view>

namespace qel {

namespace {

struct SoundName {
    std::string_view system;
    // The theme's name, then one the freedesktop theme itself has, for themes
    // without the first.
    std::string_view theme, fallback;
};

constexpr std::array<SoundName, 22> kSounds{{
    {"SystemAsterisk", "dialog-information", ""},
    {"SystemExclamation", "dialog-warning", ""},
    {"SystemHand", "dialog-error", ""},
    {"SystemQuestion", "dialog-question", "window-question"},
    {"SystemDefault", "bell", ""},
    {".Default", "bell", ""},
    {"Default", "bell", ""},
    {"SystemNotification", "message-new-instant", "message"},
    {"Notification.Default", "message-new-instant", "message"},
    {"SystemStart", "desktop-login", "service-login"},
    {"WindowsLogon", "desktop-login", "service-login"},
    {"SystemExit", "desktop-logout", "service-logout"},
    {"WindowsLogoff", "desktop-logout", "service-logout"},
    {"MailBeep", "message-new-email", "message"},
    {"DeviceConnect", "device-added", ""},
    {"DeviceDisconnect", "device-removed", ""},
    {"EmptyRecycleBin", "trash-empty", ""},
    {"CriticalBatteryAlarm", "battery-caution", "suspend-error"},
    {"LowBatteryAlarm", "battery-low", "power-unplug"},
    {"PrintComplete", "complete", ""},
    {"SystemAlert", "window-attention", ""},
    {"CCSelect", "button-pressed", "complete"},
}};

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i])) return false;
    return true;
}

// Theme names are lower-case words joined by dashes; nothing else may reach
// a file name.
bool isThemeName(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '-') return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return false;
    return true;
}

std::vector<std::string> dataFolders() {
    std::vector<std::string> out;
    const char* home = std::getenv("XDG_DATA_HOME");
    const char* user = std::getenv("HOME");
    if (home && *home)
        out.emplace_back(home);
    else if (user && *user)
        out.push_back(std::string(user) + "/.local/share");
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string_view list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    while (!list.empty()) {
        std::size_t colon = list.find(':');
        std::string_view one = list.substr(0, colon);
        if (!one.empty()) out.emplace_back(one);
        if (colon == std::string_view::npos) break;
        list.remove_prefix(colon + 1);
    }
    return out;
}

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::vector<std::string> SoundThemeNames(const std::string& systemName) {
    for (const SoundName& s : kSounds) {
        if (!sameLetters(s.system, systemName)) continue;
        std::vector<std::string> out{std::string(s.theme)};
        if (!s.fallback.empty()) out.emplace_back(s.fallback);
        return out;
    }
    if (isThemeName(systemName)) return {systemName};
    return {};
}

std::optional<std::string> FindThemeSound(const std::vector<std::string>& names) {
    static constexpr std::array<std::string_view, 3> kTypes{".oga", ".ogg", ".wav"};
    const std::vector<std::string> folders = dataFolders();
    for (const std::string& name : names) {
        if (!isThemeName(name)) continue;
        for (const std::string& folder : folders)
            for (std::string_view type : kTypes) {
                std::string path =
                    folder + "/sounds/freedesktop/stereo/" + name + std::string(type);
                if (isFile(path)) return path;
            }
    }
    return std::nullopt;
}

}  // namespace qel
