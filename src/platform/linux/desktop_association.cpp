#include "platform/linux/desktop_association.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/linux/command_line.h"
#include "platform/linux/posix_files.h"
#include "text/text.h"

extern char** environ;

namespace qel {

namespace {

constexpr const char* kDefaultsSection = "Default Applications";
constexpr const char* kOurKeyPrefix = "X-Qelscript-";

std::string environmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

SystemStatus failure(SystemFault fault, std::string message) {
    return {fault, std::move(message)};
}

// Extensions become parts of file names and MIME globs, so only characters
// that are harmless in both are taken.
std::optional<std::string> normalisedExtension(const std::string& extension) {
    std::string ext = extension;
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    if (ext.empty() || ext.size() > 32) return std::nullopt;
    for (char& c : ext) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '_' && c != '-' && c != '+' && c != '~') return std::nullopt;
        c = text::foldAscii(c);
    }
    return ext;
}

std::string desktopId(const std::string& ext) {
    return "qelscript-" + ext + ".desktop";
}
std::string desktopPath(const XdgFolders& f, const std::string& ext) {
    return f.dataHome + "/applications/" + desktopId(ext);
}
std::string mimePackagePath(const XdgFolders& f, const std::string& ext) {
    return f.dataHome + "/mime/packages/qelscript-" + ext + ".xml";
}
std::string mimeappsPath(const XdgFolders& f) {
    return f.configHome + "/mimeapps.list";
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    PosixFileSystem files;
    return files.readFile(path, bytes);
}

SystemStatus writeAtomically(const std::string& path, const std::string& bytes) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    PosixFileSystem files;
    FileStatus status = files.writeFile(path, bytes);
    if (status.fault != FileFault::None)
        return failure(SystemFault::Other, path + ": " + status.message);
    return {};
}

// ---- a minimal key file (desktop entries, mimeapps.list) that keeps every
// line it does not change --------------------------------------------------

struct KeyFile {
    std::vector<std::string> lines;

    static KeyFile parse(const std::string& bytes) {
        KeyFile file;
        std::istringstream in(bytes);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            file.lines.push_back(line);
        }
        return file;
    }

    std::string text() const {
        std::string out;
        for (const auto& line : lines) out += line + "\n";
        return out;
    }

    // [first line of the section's body, end) or nothing.
    std::optional<std::pair<std::size_t, std::size_t>> section(const std::string& name) const {
        const std::string header = "[" + name + "]";
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] != header) continue;
            std::size_t end = i + 1;
            while (end < lines.size() && (lines[end].empty() || lines[end][0] != '[')) ++end;
            return std::make_pair(i + 1, end);
        }
        return std::nullopt;
    }

    std::optional<std::size_t> keyLine(const std::string& sectionName,
                                       const std::string& key) const {
        auto range = section(sectionName);
        if (!range) return std::nullopt;
        for (std::size_t i = range->first; i < range->second; ++i) {
            const std::string& line = lines[i];
            std::size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            std::string name = line.substr(0, eq);
            while (!name.empty() && name.back() == ' ') name.pop_back();
            if (name == key) return i;
        }
        return std::nullopt;
    }

    std::optional<std::string> value(const std::string& sectionName, const std::string& key) const {
        auto at = keyLine(sectionName, key);
        if (!at) return std::nullopt;
        std::string v = lines[*at].substr(lines[*at].find('=') + 1);
        while (!v.empty() && v.front() == ' ') v.erase(0, 1);
        return v;
    }

    void set(const std::string& sectionName, const std::string& key, const std::string& v) {
        if (auto at = keyLine(sectionName, key)) {
            lines[*at] = key + "=" + v;
            return;
        }
        auto range = section(sectionName);
        if (!range) {
            if (!lines.empty() && !lines.back().empty()) lines.push_back("");
            lines.push_back("[" + sectionName + "]");
            lines.push_back(key + "=" + v);
            return;
        }
        // After the section's last key, before the blank lines that end it.
        std::size_t at = range->second;
        while (at > range->first && lines[at - 1].empty()) --at;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + v);
    }

    void remove(const std::string& sectionName, const std::string& key) {
        if (auto at = keyLine(sectionName, key))
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*at));
    }
};

// A desktop-entry string value: one line, backslashes escaped.
std::string entryString(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n' || c == '\r' || c == '\t')
            out += ' ';
        else
            out += c;
    }
    return out;
}

bool needsExecQuotes(const std::string& word) {
    return word.empty() || word.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
}

std::string execWord(const std::string& word) {
    if (word == "%1" || word == "%L" || word == "%l") return "%f";
    std::string w;
    for (char c : word) w += c == '%' ? std::string("%%") : std::string(1, c);
    if (!needsExecQuotes(w)) return w;
    std::string quoted = "\"";
    for (char c : w) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// The installed MIME type whose glob is exactly *.ext, from the shared
// MIME database's globs2 files (user's first, as the database reads them).
std::optional<std::string> installedMimeType(const XdgFolders& f, const std::string& ext) {
    std::vector<std::string> dirs{f.dataHome};
    dirs.insert(dirs.end(), f.dataDirs.begin(), f.dataDirs.end());
    const std::string wanted = "*." + ext;
    for (const auto& dir : dirs) {
        std::string bytes;
        if (!readWholeFile(dir + "/mime/globs2", bytes)) continue;
        for (const auto& line : KeyFile::parse(bytes).lines) {
            if (line.empty() || line[0] == '#') continue;
            std::vector<std::string> fields = text::splitNonEmpty(line, ':');
            if (fields.size() < 3) continue;
            std::string glob = fields[2];
            const bool caseSensitive =
                fields.size() > 3 && fields[3].find("cs") != std::string::npos;
            if (!caseSensitive) glob = text::toLowerAscii(glob);
            if (glob == wanted && fields[1].rfind("application/x-qelscript-", 0) != 0)
                return fields[1];
        }
    }
    return std::nullopt;
}

std::string mimePackageXml(const std::string& mimeType, const std::string& ext,
                           const std::string& description) {
    std::string comment;
    for (char c : description.empty() ? ext + " file" : description) {
        switch (c) {
            case '<':
                comment += "&lt;";
                break;
            case '>':
                comment += "&gt;";
                break;
            case '&':
                comment += "&amp;";
                break;
            case '"':
                comment += "&quot;";
                break;
            default:
                comment += c;
        }
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
           "  <mime-type type=\"" +
           mimeType +
           "\">\n"
           "    <comment>" +
           comment +
           "</comment>\n"
           "    <glob pattern=\"*." +
           ext +
           "\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

// Rebuilds the user's MIME database after a package changed, when the tool
// is installed; without it the package still takes effect at the next
// rebuild by the desktop.
void refreshMimeDatabase(const XdgFolders& f) {
    std::string folder = f.dataHome + "/mime";
    std::string tool = "update-mime-database";
    char* argv[] = {tool.data(), folder.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, tool.c_str(), &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

XdgFolders xdgFoldersFromEnvironment() {
    XdgFolders f;
    const std::string home = environmentOr("HOME", "/");
    f.dataHome = environmentOr("XDG_DATA_HOME", home + "/.local/share");
    f.configHome = environmentOr("XDG_CONFIG_HOME", home + "/.config");
    f.dataDirs =
        text::splitNonEmpty(environmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':');
    return f;
}

std::string desktopExecFor(const std::string& commandLine) {
    auto words = splitCommandLine(commandLine);
    if (!words || words->empty()) return {};
    std::string exec;
    bool placesFile = false;
    for (const auto& word : *words) {
        std::string w = execWord(word);
        if (w == "%f") placesFile = true;
        if (!exec.empty()) exec += ' ';
        exec += w;
    }
    if (!placesFile) exec += " %f";
    return exec;
}

SystemStatus associateExtension(const XdgFolders& f, const std::string& extension,
                                const std::string& commandLine, const std::string& description,
                                const std::string& icon) {
    auto ext = normalisedExtension(extension);
    if (!ext) return failure(SystemFault::Other, "拡張子に使えない文字があります: " + extension);
    std::string exec = desktopExecFor(commandLine);
    if (exec.empty())
        return failure(SystemFault::Other,
                       "コマンドラインの引用符が閉じていません: " + commandLine);

    // A repeated association keeps what the first one found before it.
    std::string oldEntryBytes;
    KeyFile oldEntry;
    const bool reassociating = readWholeFile(desktopPath(f, *ext), oldEntryBytes);
    if (reassociating) oldEntry = KeyFile::parse(oldEntryBytes);
    const std::string group = "Desktop Entry";
    const std::string ourMime = "application/x-qelscript-" + *ext;

    std::optional<std::string> mimeType;
    bool definesMime = false;
    if (reassociating &&
        oldEntry.value(group, std::string(kOurKeyPrefix) + "Defined-Mime") == "true") {
        mimeType = ourMime;
        definesMime = true;
    } else {
        mimeType = installedMimeType(f, *ext);
    }
    if (!mimeType) {
        mimeType = ourMime;
        definesMime = true;
    }
    if (definesMime) {
        if (auto s = writeAtomically(mimePackagePath(f, *ext),
                                     mimePackageXml(*mimeType, *ext, description));
            !s)
            return s;
    }

    KeyFile apps;
    std::string appsBytes;
    if (readWholeFile(mimeappsPath(f), appsBytes)) apps = KeyFile::parse(appsBytes);
    std::optional<std::string> previous = apps.value(kDefaultsSection, *mimeType);
    if (reassociating)
        previous = oldEntry.value(group, std::string(kOurKeyPrefix) + "Previous-Default");
    if (previous && previous->find(desktopId(*ext)) != std::string::npos) previous.reset();

    KeyFile entry;
    entry.lines = {"[Desktop Entry]",
                   "Type=Application",
                   "Name=" + entryString(description.empty() ? commandLine : description),
                   "Exec=" + entryString(exec),
                   "MimeType=" + *mimeType + ";",
                   "NoDisplay=true"};
    if (!icon.empty()) entry.lines.push_back("Icon=" + entryString(icon));
    entry.lines.push_back(std::string(kOurKeyPrefix) + "Extension=" + *ext);
    entry.lines.push_back(std::string(kOurKeyPrefix) +
                          "Defined-Mime=" + (definesMime ? "true" : "false"));
    if (previous)
        entry.lines.push_back(std::string(kOurKeyPrefix) + "Previous-Default=" + *previous);
    if (auto s = writeAtomically(desktopPath(f, *ext), entry.text()); !s) return s;

    apps.set(kDefaultsSection, *mimeType, desktopId(*ext) + ";");
    if (auto s = writeAtomically(mimeappsPath(f), apps.text()); !s) return s;
    if (definesMime) refreshMimeDatabase(f);
    return {};
}

SystemStatus removeExtensionAssociation(const XdgFolders& f, const std::string& extension) {
    auto ext = normalisedExtension(extension);
    if (!ext) return failure(SystemFault::Other, "拡張子に使えない文字があります: " + extension);
    std::string entryBytes;
    if (!readWholeFile(desktopPath(f, *ext), entryBytes))
        return failure(SystemFault::NotFound,
                       "." + *ext + " の関連づけはこのプログラムで作られていません。");
    KeyFile entry = KeyFile::parse(entryBytes);
    const std::string group = "Desktop Entry";
    std::string mimeType = entry.value(group, "MimeType").value_or("");
    if (!mimeType.empty() && mimeType.back() == ';') mimeType.pop_back();
    const bool definedMime =
        entry.value(group, std::string(kOurKeyPrefix) + "Defined-Mime") == "true";
    auto previous = entry.value(group, std::string(kOurKeyPrefix) + "Previous-Default");

    std::string appsBytes;
    if (!mimeType.empty() && readWholeFile(mimeappsPath(f), appsBytes)) {
        KeyFile apps = KeyFile::parse(appsBytes);
        // Only our own default is undone: one the user chose since stays.
        if (apps.value(kDefaultsSection, mimeType) == desktopId(*ext) + ";") {
            if (previous)
                apps.set(kDefaultsSection, mimeType, *previous);
            else
                apps.remove(kDefaultsSection, mimeType);
            if (auto s = writeAtomically(mimeappsPath(f), apps.text()); !s) return s;
        }
    }
    std::error_code ec;
    std::filesystem::remove(desktopPath(f, *ext), ec);
    if (ec) return failure(SystemFault::Other, desktopPath(f, *ext) + ": " + ec.message());
    if (definedMime) {
        std::filesystem::remove(mimePackagePath(f, *ext), ec);
        refreshMimeDatabase(f);
    }
    return {};
}

}  // namespace qel
