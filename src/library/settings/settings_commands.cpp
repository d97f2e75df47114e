// Settings: the command and function 設定 with their three places (the
// registry stand-in, the settings file named by 設定ファイル, the per-user
// application settings), the registry lists, and the 削除 forms
// レジストリの… and 設定ファイルの….
//
// A place is written as parts joined by の, the first part naming the kind:
//   レジストリの「HKEY_CURRENT_USER\Software\Maker\Tool」の「Name」
//   設定ファイルの「Section」の「Key」
//   「Name」の「Key」          (application settings, AppSettings\Name)
// Parts after the kind are evaluated. A registry place of one part is a key
// (its default value for 設定; the whole key for 削除); with more parts the
// last one names a value and the others are joined with "\" into the key.
#include "core/engine.h"
#include "core/parser.h"
#include "core/paths.h"
#include "core/statement.h"
#include "core/values.h"
#include "library/files/store_guard.h"
#include "library/registry/arguments.h"
#include "library/registry/library_state.h"
#include "library/settings/protection.h"
#include "library/settings/settings.h"
#include "library/settings/settings_access.h"
#include "text/brackets.h"
#include "text/ini.h"

namespace qel {

namespace {

// A store that cannot be read (not damaged: the file or folder cannot be
// opened) has no message of its own; the unknown-error one carries the reason.
constexpr ErrorId kReadFailed = ErrorId::UnknownFault;
constexpr TextView kRegistryWord = u"レジストリ";
constexpr TextView kSettingsFileWord = u"設定ファイル";
constexpr TextView kApplication = u"Qelscript";
constexpr TextView kAppSettingsSection = u"AppSettings\\";

enum class Place { Registry, SettingsFile, Application };

struct PlaceText {
    Place place = Place::Application;
    std::vector<Text> parts;  // as written, after the kind word
};

// ---- reading a place ------------------------------------------------------------

std::vector<Text> splitAtNo(TextView text) {
    std::vector<Text> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text::findOutside(text, u"の", text::kSyntaxBrackets, start);
        if (at == text::npos) break;
        parts.emplace_back(text::trimBlanks(text.substr(start, at - start)));
        start = at + 1;
    }
    parts.emplace_back(text::trimBlanks(text.substr(start)));
    return parts;
}

// Which kind of place the text names; decided from the words alone, so that
// the protection check comes before anything is evaluated.
PlaceText readPlace(TextView written) {
    PlaceText result;
    result.parts = splitAtNo(written);
    TextView first = result.parts.front();
    if (first == kRegistryWord) {
        result.place = Place::Registry;
    } else if (first == kSettingsFileWord) {
        result.place = Place::SettingsFile;
    }
    if (result.place != Place::Application) result.parts.erase(result.parts.begin());
    if (result.parts.size() == 1 && result.parts[0].empty()) result.parts.clear();
    return result;
}

// Writing the registry stand-in is a registry change and writing a settings
// file a file change; both are asked before anything is evaluated. The
// application settings are the runtime's own area, never guarded.
bool mayWritePlace(Engine& engine, const PlaceText& place) {
    switch (place.place) {
        case Place::Registry:
            return CheckProtection(engine, Guard::Registry);
        case Place::SettingsFile:
            return CheckProtection(engine, Guard::Files);
        case Place::Application:
            break;
    }
    return true;
}

std::vector<Text> evaluateParts(Engine& engine, const std::vector<Text>& parts) {
    std::vector<Text> values;
    for (const Text& part : parts) values.push_back(engine.EvalText(part));
    return values;
}

Text joinParts(const std::vector<Text>& parts, std::size_t from, std::size_t to, TextView glue) {
    return text::join(std::span(parts).subspan(from, to - from), glue);
}

void reportMissingParts(Engine& engine, TextView source) {
    engine.Report(ErrorId::SettingPartsMissing, source);
}

// ---- registry places ---------------------------------------------------------------

struct RegistryRoot {
    TextView name;
    TextView shortName;
};
constexpr RegistryRoot kRoots[] = {
    {u"HKEY_CURRENT_USER", u"HKCU"},   {u"HKEY_LOCAL_MACHINE", u"HKLM"},
    {u"HKEY_CLASSES_ROOT", u"HKCR"},   {u"HKEY_USERS", u"HKU"},
    {u"HKEY_CURRENT_CONFIG", u"HKCC"},
};

// The key with its root spelled in full, or nothing when it names no root.
// `needsSubkey`: the root alone is not enough (writes and deletes).
std::optional<Text> canonicalKey(TextView key, bool needsSubkey) {
    TextView trimmed = text::trimBlanks(key);
    while (!trimmed.empty() && trimmed.front() == u'\\') trimmed.remove_prefix(1);
    std::size_t slash = trimmed.find(u'\\');
    TextView root = trimmed.substr(0, slash);
    TextView rest = slash == TextView::npos ? TextView() : trimmed.substr(slash + 1);
    for (const RegistryRoot& known : kRoots) {
        if (!text::equalsFolded(root, known.name) && !text::equalsFolded(root, known.shortName))
            continue;
        bool hasSubkey = rest.find_first_not_of(u'\\') != TextView::npos;
        if (needsSubkey && !hasSubkey) return std::nullopt;
        Text out(known.name);
        if (hasSubkey) out += u"\\" + Text(rest);
        return out;
    }
    return std::nullopt;
}

struct RegistryValue {
    Text key;   // as evaluated (for messages)
    Text name;  // empty: the key's default value
};

RegistryValue registryValueOf(const std::vector<Text>& parts) {
    RegistryValue value;
    if (parts.size() == 1) {
        value.key = parts[0];
    } else {
        value.key = joinParts(parts, 0, parts.size() - 1, u"\\");
        value.name = parts.back();
    }
    return value;
}

SettingsStore* storeOf(Engine& engine) {
    return engine.platform.settings.get();
}

SettingsStatus noStore() {
    return {SettingsFault::Failed, "no settings store is available"};
}

// ---- settings files -------------------------------------------------------------------

// The settings file named by 設定ファイル, as a system path; reports and
// gives nothing when none has been named.
std::optional<std::string> settingsFilePath(Engine& engine) {
    if (text::trimBlanks(libraryState(engine).settingsFileName).empty()) {
        engine.Report(ErrorId::ValueRequired, kSettingsFileWord);
        return std::nullopt;
    }
    return toNativePath(libraryState(engine).settingsFileName);
}

enum class Loaded { Ok, Missing, Unreadable, NotWritable };

// A missing file reads as empty; one that exists but cannot be read must
// not be replaced by a file holding only the new key. A file whose bytes do
// not come back unchanged from its own text (a picture named by mistake,
// broken Shift_JIS) is read but never written: writing would change bytes
// nobody asked to change. Nor is the settings store's folder or any of its
// files ever written as a settings file.
Loaded loadSettingsFile(Engine& engine, const std::string& path, ini::Document& doc) {
    std::string bytes;
    const bool store = StoreGuard(engine).writes(path);
    if (engine.files().readFile(path, bytes)) {
        doc = ini::Document::fromBytes(bytes);
        if (doc.toBytes() != bytes || store) return Loaded::NotWritable;
        return Loaded::Ok;
    }
    if (store) return Loaded::NotWritable;
    if (engine.files().fileExists(path)) return Loaded::Unreadable;
    doc = ini::Document{};
    return Loaded::Missing;
}

bool writable(Loaded loaded) {
    return loaded == Loaded::Ok || loaded == Loaded::Missing;
}

bool hasLineBreak(TextView text) {
    return text.find_first_of(u"\r\n") != TextView::npos;
}

// A section, key or value that would change the file's lines when written
// (a line break, "]" in a section, "=" in a key …) is refused rather than
// written into something that reads back differently.
bool writableEntry(TextView section, TextView key, TextView value) {
    TextView k = ini::trimIni(key);
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
    if (section.find(u']') != TextView::npos) return false;
    if (k.find(u'=') != TextView::npos) return false;
    return k.empty() || (k.front() != u'[' && k.front() != u';' && k.front() != u'#');
}

// Held from reading the settings file to writing it back, so that scripts
// writing the same file at once do not lose each other's values. Nothing is
// written when it cannot be taken.
std::unique_ptr<FileUpdateLock> lockSettingsFile(Engine& engine, const std::string& path) {
    std::unique_ptr<FileUpdateLock> lock;
    if (!engine.files().lockForUpdate(path, lock)) return nullptr;
    if (!lock) lock = std::make_unique<FileUpdateLock>();  // a file system that needs none
    return lock;
}

bool saveSettingsFile(Engine& engine, const std::string& path, const ini::Document& doc) {
    auto bytes = doc.toBytes();
    if (!bytes) return false;
    return bool(engine.files().writeFile(path, *bytes));
}

// Values written between double quotes read without them, as profile files
// have always been read.
Text unquoted(Text value) {
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// ---- the three places -------------------------------------------------------------------

void writeRegistry(Engine& engine, const std::vector<Text>& parts, TextView value) {
    RegistryValue target = registryValueOf(parts);
    auto key = canonicalKey(target.key, true);
    if (!key) {
        engine.Report(ErrorId::RegistryKeyWrong, target.key);
        return;
    }
    SettingsStore* store = storeOf(engine);
    SettingsStatus status =
        store ? store->write(SettingsArea::Registry, *key, target.name, value) : noStore();
    if (!status) ReportSettingsFault(engine, status, ErrorId::RegistryWriteFailed, *key);
}

void writeSettingsFile(Engine& engine, const std::vector<Text>& parts, TextView value) {
    Text section = parts[0];
    Text key = joinParts(parts, 1, parts.size(), u"の");
    if (ini::trimIni(section).empty() || ini::trimIni(key).empty()) {
        reportMissingParts(engine, libraryState(engine).settingsFileName);
        return;
    }
    auto path = settingsFilePath(engine);
    if (!path) return;
    ini::Document doc;
    auto lock = writableEntry(section, key, value) ? lockSettingsFile(engine, *path) : nullptr;
    if (!lock || !writable(loadSettingsFile(engine, *path, doc))) {
        engine.Report(ErrorId::SettingsFileWriteFailed, libraryState(engine).settingsFileName);
        return;
    }
    if (doc.get(section, key) == Text(value)) return;
    doc.set(ini::trimIni(section), ini::trimIni(key), value);
    if (!saveSettingsFile(engine, *path, doc)) {
        engine.Report(ErrorId::SettingsFileWriteFailed, libraryState(engine).settingsFileName);
    }
}

Text applicationKeyPath(TextView name) {
    return Text(kApplication) + u"\\" + Text(kAppSettingsSection) + Text(name);
}

// An application and a key, both named: an empty name would reach the
// settings above AppSettings\.
bool namesApplicationSetting(const std::vector<Text>& parts) {
    return parts.size() >= 2 && !text::trimBlanks(parts[0]).empty() &&
           !text::trimBlanks(joinParts(parts, 1, parts.size(), u"の")).empty();
}

void writeApplication(Engine& engine, const std::vector<Text>& parts, TextView value,
                      TextView source) {
    if (!namesApplicationSetting(parts)) {
        reportMissingParts(engine, source);
        return;
    }
    Text name = parts[0];
    Text key = joinParts(parts, 1, parts.size(), u"の");
    SettingsStore* store = storeOf(engine);
    SettingsStatus status =
        store ? store->write(SettingsArea::Application, applicationKeyPath(name), key, value)
              : noStore();
    if (!status)
        ReportSettingsFault(engine, status, ErrorId::RegistryWriteFailed, name + u"の" + key);
}

// The value at a place; `fallback` when there is none (or it cannot be read,
// which has been reported).
Text readSetting(Engine& engine, const PlaceText& place, const std::vector<Text>& parts,
                 TextView source, const Text& fallback) {
    std::optional<Text> value;
    SettingsStore* store = storeOf(engine);
    switch (place.place) {
        case Place::Registry: {
            RegistryValue target = registryValueOf(parts);
            auto key = canonicalKey(target.key, false);
            if (!key) {
                engine.Report(ErrorId::RegistryKeyWrong, target.key);
                return fallback;
            }
            if (!store) return fallback;
            SettingsStatus status = store->read(SettingsArea::Registry, *key, target.name, value);
            if (!status) ReportSettingsFault(engine, status, kReadFailed, *key);
            break;
        }
        case Place::SettingsFile: {
            if (parts.size() < 2) {
                reportMissingParts(engine, source);
                return fallback;
            }
            auto path = settingsFilePath(engine);
            if (!path) return fallback;
            ini::Document doc;
            loadSettingsFile(engine, *path, doc);
            if (auto stored = doc.get(parts[0], joinParts(parts, 1, parts.size(), u"の")))
                value = unquoted(*stored);
            break;
        }
        case Place::Application: {
            if (!namesApplicationSetting(parts)) {
                reportMissingParts(engine, source);
                return fallback;
            }
            if (!store) return fallback;
            Text key = joinParts(parts, 1, parts.size(), u"の");
            SettingsStatus status =
                store->read(SettingsArea::Application, applicationKeyPath(parts[0]), key, value);
            if (!status) ReportSettingsFault(engine, status, kReadFailed, parts[0]);
            break;
        }
    }
    return value ? *value : fallback;
}

// ---- deleting ------------------------------------------------------------------------------

void deleteRegistry(Engine& engine, const std::vector<Text>& parts) {
    RegistryValue target = registryValueOf(parts);
    auto key = canonicalKey(target.key, true);
    if (!key) {
        engine.Report(ErrorId::RegistryDeleteFailed, target.key);
        return;
    }
    SettingsStore* store = storeOf(engine);
    bool removed = false;
    SettingsStatus status = noStore();
    if (store && parts.size() == 1) {
        status = store->removeKey(SettingsArea::Registry, *key, removed);
    } else if (store) {
        status = store->removeValue(SettingsArea::Registry, *key, target.name, removed);
    }
    if (!status) ReportSettingsFault(engine, status, ErrorId::RegistryWriteFailed, *key);
}

void deleteFromSettingsFile(Engine& engine, const std::vector<Text>& parts) {
    auto path = settingsFilePath(engine);
    if (!path) return;
    ini::Document doc;
    auto lock = lockSettingsFile(engine, *path);
    if (!lock) {
        if (!engine.files().fileExists(*path)) return;  // nothing there to delete
        engine.Report(ErrorId::SettingsFileWriteFailed, libraryState(engine).settingsFileName);
        return;
    }
    Loaded loaded = loadSettingsFile(engine, *path, doc);
    if (loaded == Loaded::Missing) return;  // nothing there to delete
    if (!writable(loaded)) {
        engine.Report(ErrorId::SettingsFileWriteFailed, libraryState(engine).settingsFileName);
        return;
    }
    bool removed = parts.size() == 1
                       ? doc.removeSection(parts[0])
                       : doc.removeKey(parts[0], joinParts(parts, 1, parts.size(), u"の"));
    if (removed && !saveSettingsFile(engine, *path, doc)) {
        engine.Report(ErrorId::SettingsFileWriteFailed, libraryState(engine).settingsFileName);
    }
}

// ---- lists -----------------------------------------------------------------------------------

Text joinCells(const std::vector<Text>& names) {
    Text out;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) out += u',';
        out += values::escapeCell(names[i]);
    }
    return out;
}

using Lister = SettingsStatus (SettingsStore::*)(SettingsArea, TextView, std::vector<Text>&);

void listRegistry(Text& result, TextView args, Engine& engine, Lister lister) {
    result.clear();
    Text written = engine.EvalText(text::trimBlanks(args));
    auto key = canonicalKey(written, false);
    if (!key) {
        engine.Report(ErrorId::RegistryKeyWrong, written);
        return;
    }
    SettingsStore* store = storeOf(engine);
    if (!store) return;
    std::vector<Text> names;
    SettingsStatus status = (store->*lister)(SettingsArea::Registry, *key, names);
    if (!status) {
        ReportSettingsFault(engine, status, kReadFailed, *key);
        return;
    }
    // The default value has no name to list; it is read with the key alone.
    std::erase_if(names, [](const Text& name) { return name.empty(); });
    result = joinCells(names);
}

}  // namespace

// ---- shared with the engine and the command line ---------------------------------------------

void ReportSettingsFault(Engine& engine, const SettingsStatus& status, ErrorId failedError,
                         TextView word) {
    Text reason = text::fromUtf8(status.message);
    if (status.fault == SettingsFault::Damaged) {
        engine.Report(ErrorId::SettingsStoreDamaged, reason);
        return;
    }
    engine.Report(failedError, ErrorIcon::Stop,
                  word.empty() ? reason : Text(word) + u"\n" + reason);
}

void LoadStoredProtection(Engine& engine) {
    SettingsStore* store = storeOf(engine);
    std::optional<Text> key;
    if (store) {
        SettingsStatus status =
            store->read(SettingsArea::Application, kProtectionKeyPath, kProtectionKeyName, key);
        if (!status) {
            libraryState(engine).protectionFlags = {true, true, true, true, false};
            ReportSettingsFault(engine, status, kReadFailed, {});
            return;
        }
    }
    LoadProtection(engine, key.value_or(Text()));
}

// ---- handlers -----------------------------------------------------------------------------------

// 場所を値に設定: レジストリの「キー」の「名前」を「値」に設定,
// 設定ファイルの「セクション」の「キー」を「値」に設定, 「名前」の「キー」を「値」に設定.
void cmdSetting(StatementRecord& record, Engine& engine) {
    PlaceText place = readPlace(Args(record).woArg);
    if (!mayWritePlace(engine, place)) return;
    std::size_t needed = place.place == Place::Registry ? 1 : 2;
    if (place.parts.size() < needed || Args(record).heArg.empty()) {
        reportMissingParts(engine, record.source);
        return;
    }
    std::vector<Text> parts = evaluateParts(engine, place.parts);
    Text value = engine.EvalText(Args(record).heArg);
    switch (place.place) {
        case Place::Registry:
            writeRegistry(engine, parts, value);
            break;
        case Place::SettingsFile:
            writeSettingsFile(engine, parts, value);
            break;
        case Place::Application:
            writeApplication(engine, parts, value, record.source);
            break;
    }
}

// 設定(場所を[既定値で]): the stored value, else the default (else empty).
void fnSetting(Text& result, Text& args, Engine& engine) {
    std::vector<Text> pieces = UnpackArgs(engine, args, false, 2);
    PlaceText place = readPlace(pieces[0]);
    Text fallback = pieces[1].empty() ? Text() : engine.EvalText(pieces[1]);
    if (place.parts.empty()) {
        reportMissingParts(engine, args);
        result = fallback;
        return;
    }
    result = readSetting(engine, place, evaluateParts(engine, place.parts), args, fallback);
}

// 設定ファイルは「名前」: the settings file of 設定 and 削除 for the rest of the run.
void setSettingsFile(StatementRecord& record, Engine& engine) {
    libraryState(engine).settingsFileName = engine.EvalText(Args(record).woArg);
}

void fnSettingsFile(Text& result, Text&, Engine& engine) {
    result = libraryState(engine).settingsFileName;
}

// レジストリのサブキー一覧(「キー」) and レジストリの値一覧(「キー」): names as a list.
void fnRegistrySubkeys(Text& result, Text& args, Engine& engine) {
    listRegistry(result, args, engine, &SettingsStore::subkeys);
}

void fnRegistryValueNames(Text& result, Text& args, Engine& engine) {
    listRegistry(result, args, engine, &SettingsStore::valueNames);
}

// 削除 of レジストリの「キー」[の「名前」] and 設定ファイルの「セクション」[の「キー」].
void cmdDeleteSetting(StatementRecord& record, Engine& engine) {
    PlaceText place = readPlace(Args(record).woArg);
    if (!mayWritePlace(engine, place)) return;
    if (place.place == Place::Application || place.parts.empty()) {
        reportMissingParts(engine, record.source);
        return;
    }
    std::vector<Text> parts = evaluateParts(engine, place.parts);
    if (place.place == Place::Registry) {
        deleteRegistry(engine, parts);
    } else {
        deleteFromSettingsFile(engine, parts);
    }
}

}  // namespace qel
