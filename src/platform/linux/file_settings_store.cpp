#include "platform/linux/file_settings_store.h"

#include "platform/linux/file_replacement.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

namespace qel {

namespace settings_format {

namespace {

constexpr TextView kRegistryPrefix = u"Registry";
constexpr TextView kApplicationPrefix = u"Application";
// The default value of a key has no name; "@" stands for it in the file.
constexpr TextView kDefaultValueName = u"@";

bool isControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}
bool isIniBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

void appendEscape(Text& out, char16_t c) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    out += u'%';
    out += kHex[(c >> 4) & 0xF];
    out += kHex[c & 0xF];
}

// Escapes '%', control characters, the characters in `special`, and blanks
// at either end (INI trims them).
Text escape(TextView text, TextView special) {
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        bool atEnd = i == 0 || i + 1 == text.size();
        if (c == u'%' || isControl(c) || special.find(c) != TextView::npos ||
            (atEnd && isIniBlank(c))) {
            appendEscape(out, c);
        } else {
            out += c;
        }
    }
    return out;
}

std::vector<Text> splitPath(TextView keyPath) {
    return text::splitNonEmpty(keyPath, u'\\');
}

Text escapeComponent(TextView component) {
    return escape(component, u"[]\\");
}

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

std::string lineProblem(std::size_t index, const char* why) {
    return "line " + std::to_string(index + 1) + ": " + why;
}

}  // namespace

Text sectionFor(SettingsArea area, TextView keyPath) {
    std::vector<Text> parts = splitPath(keyPath);
    if (parts.empty()) return {};
    Text section(area == SettingsArea::Registry ? kRegistryPrefix : kApplicationPrefix);
    for (const Text& part : parts) {
        section += u'\\';
        section += escapeComponent(part);
    }
    return section;
}

Text escapeName(TextView name) {
    if (name.empty()) return Text(kDefaultValueName);
    if (name == kDefaultValueName) return u"%40";
    return escape(name, u"=[];#");
}

Text escapeValue(TextView value) {
    return escape(value, u"");
}

std::optional<Text> unescape(TextView text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
        // Only ASCII is ever escaped; anything above would be a hand-made
        // byte the file's UTF-8 cannot mean.
        if (hi < 0 || lo < 0 || hi > 7) return std::nullopt;
        out += char16_t(hi * 16 + lo);
        i += 2;
    }
    return out;
}

std::string problemIn(const ini::Document& doc) {
    if (doc.encoding() != ini::Encoding::Utf8 && doc.encoding() != ini::Encoding::Utf8WithBom)
        return "the file is not UTF-8 text";
    const auto& lines = doc.lines();
    bool inSection = false;
    Text section;
    std::set<Text> namesSeen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ini::Line& line = lines[i];
        switch (line.kind) {
            case ini::Line::Kind::Blank:
            case ini::Line::Kind::Comment:
                break;
            case ini::Line::Kind::Other:
                return lineProblem(i, "neither a [section], a name=value line nor a comment");
            case ini::Line::Kind::Section: {
                TextView t = ini::trimIni(line.text);
                if (t.back() != u']' || t.find(u']') + 1 != t.size())
                    return lineProblem(i, "text after the closing ]");
                bool known = false;
                for (TextView prefix : {kRegistryPrefix, kApplicationPrefix}) {
                    known = known || (line.name.size() > prefix.size() &&
                                      text::startsWithFolded(line.name, prefix) &&
                                      line.name[prefix.size()] == u'\\');
                }
                if (!known)
                    return lineProblem(i, "a section must begin with Registry\\ or Application\\");
                for (const Text& part : splitPath(line.name)) {
                    auto plain = unescape(part);
                    if (!plain || !text::equalsFolded(escapeComponent(*plain), part))
                        return lineProblem(i, "a bad %XX escape in the section name");
                }
                inSection = true;
                section = line.name;
                break;
            }
            case ini::Line::Kind::Entry: {
                if (!inSection) return lineProblem(i, "a value before the first [section]");
                TextView t = line.text;
                auto name = unescape(line.name);
                if (!name || (line.name != kDefaultValueName &&
                              !text::equalsFolded(escapeName(*name), line.name)))
                    return lineProblem(i, "a bad %XX escape in the name");
                auto value = unescape(ini::trimIni(t.substr(t.find(u'=') + 1)));
                if (!value) return lineProblem(i, "a bad %XX escape in the value");
                // The same name twice in one key would leave it unclear
                // which value is meant, and a rewrite would drop one.
                Text seen = text::foldKey(section) + u'\n' + text::foldKey(line.name);
                if (!namesSeen.insert(seen).second)
                    return lineProblem(i, "a name given twice in one key");
                break;
            }
        }
    }
    return {};
}

}  // namespace settings_format

namespace {

using namespace settings_format;

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Messages name the file the way its owner would type it.
std::string homeAbbreviated(const std::string& path) {
    const char* home = std::getenv("HOME");
    std::string prefix = home ? home : "";
    while (prefix.size() > 1 && prefix.back() == '/') prefix.pop_back();
    if (prefix.size() > 1 && path.size() > prefix.size() && path.starts_with(prefix) &&
        path[prefix.size()] == '/')
        return "~" + path.substr(prefix.size());
    return path;
}

SettingsStatus failure(const std::string& what, int error) {
    return {SettingsFault::Failed, homeAbbreviated(what) + ": " + std::strerror(error)};
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates the folder and the ones above it; the store's own folder is private.
bool makeFolders(const std::string& folder) {
    if (folder.empty() || isFolder(folder)) return true;
    std::size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(folder.substr(0, slash)))
        return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool lockFile(int fd, int operation) {
    while (flock(fd, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

bool readAll(const std::string& path, std::string& bytes, int& error) {
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        error = errno;
        return false;
    }
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (n == 0) return true;
        bytes.append(buffer, std::size_t(n));
    }
}

// The first line whose bytes are not UTF-8 (the store is always written in
// UTF-8, so anything else was put there by something else).
std::string notUtf8(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::size_t line = 0;
    while (!bytes.empty()) {
        std::size_t end = bytes.find('\n');
        std::string_view one = bytes.substr(0, end);
        if (!text::isValidUtf8(one))
            return "line " + std::to_string(line + 1) + ": the bytes are not UTF-8 text";
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
        ++line;
    }
    return {};
}

}  // namespace

namespace settings_format {

std::string parseStore(std::string_view bytes, ini::Document& doc) {
    if (std::string problem = notUtf8(bytes); !problem.empty()) return problem;
    doc = ini::Document::fromBytes(bytes);
    return problemIn(doc);
}

}  // namespace settings_format

namespace {

const char* kHeader =
    "; Qelscript per-user settings: the registry that scripts write with 設定\n"
    "; (sections Registry\\...) and the runtime's own settings (Application\\...).\n"
    "; Lines are name=value; %XX stands for a character the format cannot hold.\n";

// The direct child of `parent` that the section lies under, if it does.
std::optional<Text> childUnder(TextView section, TextView parent) {
    if (section.size() <= parent.size() + 1) return std::nullopt;
    if (!text::startsWithFolded(section, parent)) return std::nullopt;
    if (section[parent.size()] != u'\\') return std::nullopt;
    TextView rest = section.substr(parent.size() + 1);
    return unescape(rest.substr(0, rest.find(u'\\')));
}

// The key path of an area's root ("Registry" or "Application") when the path
// itself is empty, so lists of the top level work too.
Text parentSection(SettingsArea area, TextView keyPath) {
    Text section = sectionFor(area, keyPath);
    if (!section.empty()) return section;
    return Text(area == SettingsArea::Registry ? u"Registry" : u"Application");
}

}  // namespace

FileSettingsStore::FileSettingsStore(std::string folder)
    : folder_(std::move(folder)),
      file_(folder_ + "/settings.ini"),
      lock_(folder_ + "/settings.lock"),
      shown_(homeAbbreviated(file_)) {}

std::string FileSettingsStore::defaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/qelscript";
    const char* home = std::getenv("HOME");
    std::string base = home && home[0] ? home : "";
    if (base.empty()) {
        if (const passwd* entry = getpwuid(geteuid())) base = entry->pw_dir;
    }
    return base + "/.config/qelscript";
}

SettingsStatus FileSettingsStore::load(ini::Document& doc) {
    std::string bytes;
    int error = 0;
    if (!readAll(file_, bytes, error)) {
        if (error == ENOENT) {
            doc = ini::Document{};
            return {};
        }
        return failure(file_, error);
    }
    if (std::string problem = parseStore(bytes, doc); !problem.empty())
        return {SettingsFault::Damaged, shown_ + ": " + problem};
    return {};
}

SettingsStatus FileSettingsStore::save(const ini::Document& doc) {
    auto bytes = doc.toBytes();
    if (!bytes) return {SettingsFault::Failed, shown_ + ": the settings cannot be encoded"};
    file_replacement::Destination destination;
    if (FileStatus status = file_replacement::resolve(file_, destination); !status)
        return {SettingsFault::Failed, homeAbbreviated(status.message)};
    file_replacement::Replacement replacement(".settings-");
    FileStatus status = replacement.open(destination, 0600, false);
    if (status && !replacement.write(*bytes)) status = {FileFault::Other, std::strerror(errno)};
    // The rename itself must reach the disk before the change counts as made.
    if (status) status = replacement.publish(true);
    if (!status) return {SettingsFault::Failed, shown_ + ": " + status.message};
    return {};
}

SettingsStatus FileSettingsStore::withShared(const Reader& reader) {
    // Nothing has been stored yet: everything reads as empty, and reading
    // creates nothing.
    if (!isFolder(folder_)) {
        reader(ini::Document{});
        return {};
    }
    // Changes replace the file in one rename, so a reader that cannot take
    // the lock (a read-only folder) still sees a whole file.
    FileDescriptor lock(open(lock_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() >= 0 && !lockFile(lock.get(), LOCK_SH)) return failure(lock_, errno);
    ini::Document doc;
    if (SettingsStatus status = load(doc); !status) return status;
    reader(doc);
    return {};
}

SettingsStatus FileSettingsStore::withExclusive(const Changer& changer) {
    if (!makeFolders(folder_)) return failure(folder_, errno);
    FileDescriptor lock(open(lock_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0) return failure(lock_, errno);
    if (!lockFile(lock.get(), LOCK_EX)) return failure(lock_, errno);
    ini::Document doc;
    if (SettingsStatus status = load(doc); !status) return status;
    if (doc.lines().empty()) {
        doc = ini::Document::fromText(text::fromUtf8(kHeader));
    }
    if (!changer(doc)) return {};
    return save(doc);
}

SettingsStatus FileSettingsStore::read(SettingsArea area, TextView keyPath, TextView name,
                                       std::optional<Text>& value) {
    value.reset();
    Text section = sectionFor(area, keyPath);
    if (section.empty()) return {};
    return withShared([&](const ini::Document& doc) {
        if (auto stored = doc.get(section, escapeName(name))) value = unescape(*stored);
    });
}

SettingsStatus FileSettingsStore::write(SettingsArea area, TextView keyPath, TextView name,
                                        TextView value) {
    Text section = sectionFor(area, keyPath);
    if (section.empty()) return {SettingsFault::Failed, "a key path needs at least one name"};
    return withExclusive([&](ini::Document& doc) {
        Text escaped = escapeValue(value);
        Text key = escapeName(name);
        if (doc.get(section, key) == escaped) return false;
        doc.set(section, key, escaped);
        return true;
    });
}

SettingsStatus FileSettingsStore::removeValue(SettingsArea area, TextView keyPath, TextView name,
                                              bool& removed) {
    removed = false;
    Text section = sectionFor(area, keyPath);
    if (section.empty()) return {};
    return withExclusive([&](ini::Document& doc) {
        removed = doc.removeKey(section, escapeName(name));
        return removed;
    });
}

SettingsStatus FileSettingsStore::removeKey(SettingsArea area, TextView keyPath, bool& removed) {
    removed = false;
    Text section = sectionFor(area, keyPath);
    if (section.empty()) return {SettingsFault::Failed, "a key path needs at least one name"};
    return withExclusive([&](ini::Document& doc) {
        for (const Text& name : doc.sectionNames()) {
            bool below = name.size() > section.size() && text::startsWithFolded(name, section) &&
                         name[section.size()] == u'\\';
            if (below || text::equalsFolded(name, section))
                removed = doc.removeSection(name) || removed;
        }
        return removed;
    });
}

SettingsStatus FileSettingsStore::subkeys(SettingsArea area, TextView keyPath,
                                          std::vector<Text>& names) {
    names.clear();
    Text parent = parentSection(area, keyPath);
    return withShared([&](const ini::Document& doc) {
        for (const Text& section : doc.sectionNames()) {
            auto child = childUnder(section, parent);
            if (!child) continue;
            bool seen = std::any_of(names.begin(), names.end(),
                                    [&](const Text& n) { return text::equalsFolded(n, *child); });
            if (!seen) names.push_back(*child);
        }
        std::sort(names.begin(), names.end(),
                  [](const Text& a, const Text& b) { return text::foldKey(a) < text::foldKey(b); });
    });
}

SettingsStatus FileSettingsStore::valueNames(SettingsArea area, TextView keyPath,
                                             std::vector<Text>& names) {
    names.clear();
    Text section = sectionFor(area, keyPath);
    if (section.empty()) return {};
    return withShared([&](const ini::Document& doc) {
        for (const Text& key : doc.keys(section)) {
            if (key == kDefaultValueName) {
                names.emplace_back();
            } else if (auto name = unescape(key)) {
                names.push_back(*name);
            }
        }
    });
}

}  // namespace qel
