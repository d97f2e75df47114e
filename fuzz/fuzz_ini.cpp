// Settings files on arbitrary bytes: the INI document and the settings
// store's strict reading of it. An INI file that nothing changed is written
// back as it was read; a change touches only what it names; a store file
// that was accepted stays acceptable after any write the store can make,
// and gives back what was written. A broken property aborts, so libFuzzer
// keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/linux/file_settings_store.h"
#include "text/ini.h"
#include "text/text.h"

namespace {

using qel::Text;
using qel::TextView;
namespace ini = qel::ini;
namespace text = qel::text;
namespace store = qel::settings_format;

void require(bool holds) {
    if (!holds) std::abort();
}

bool sameLines(const ini::Document& a, const ini::Document& b) {
    if (a.lines().size() != b.lines().size()) return false;
    for (std::size_t i = 0; i < a.lines().size(); ++i) {
        const ini::Line &x = a.lines()[i], &y = b.lines()[i];
        if (x.kind != y.kind || x.text != y.text || x.ending != y.ending || x.name != y.name)
            return false;
    }
    return true;
}

// Bytes the document's encoding gives back exactly: UTF-8 that is valid,
// and UTF-16 of whole code units (code page 932 has duplicate codes, and
// bytes that are no character there cannot come back).
bool exactEncoding(std::string_view bytes, ini::Encoding encoding) {
    switch (encoding) {
        case ini::Encoding::Utf8:
            return true;
        case ini::Encoding::Utf8WithBom:
            return text::isValidUtf8(bytes.substr(3));
        case ini::Encoding::Utf16LE:
        case ini::Encoding::Utf16BE:
            return bytes.size() % 2 == 0;
        case ini::Encoding::Cp932:
            return false;
    }
    return false;
}

// A name the document can hold as a key: no line break, no "=", not read as
// a comment or a section, not blank at either end.
bool usableKey(TextView key) {
    if (key.empty() || ini::trimIni(key).size() != key.size()) return false;
    if (key[0] == u';' || key[0] == u'#' || key[0] == u'[') return false;
    return key.find_first_of(u"=\r\n") == TextView::npos;
}

bool usableSection(TextView section) {
    return !section.empty() && ini::trimIni(section).size() == section.size() &&
           section.find_first_of(u"]\r\n") == TextView::npos;
}

bool usableValue(TextView value) {
    return ini::trimIni(value).size() == value.size() &&
           value.find_first_of(u"\r\n") == TextView::npos;
}

void documentProperties(std::string_view bytes, TextView section, TextView key, TextView value) {
    ini::Document doc = ini::Document::fromBytes(bytes);
    Text before = doc.toText();

    char16_t unwritable = 0;
    auto written = doc.toBytes(&unwritable);
    if (exactEncoding(bytes, doc.encoding())) {
        require(written && *written == bytes);
    }
    if (written) {
        // Whatever was written reads back as the same lines.
        // Code page 932 bytes may happen to be valid UTF-8; every other
        // encoding is told by its mark or its validity.
        ini::Document again = ini::Document::fromBytes(*written);
        if (doc.encoding() != ini::Encoding::Cp932) require(again.encoding() == doc.encoding());
        if (again.encoding() == doc.encoding()) require(sameLines(again, doc));
    } else {
        require(doc.encoding() == ini::Encoding::Cp932 && text::cp932Code(unwritable) < 0);
    }
    require(sameLines(ini::Document::fromText(before, doc.encoding()), doc));

    for (const Text& name : doc.sectionNames()) {
        for (const Text& k : doc.keys(name)) require(doc.get(name, k).has_value());
    }

    if (!usableSection(section) || !usableKey(key) || !usableValue(value)) return;
    std::size_t linesBefore = doc.lines().size();
    ini::Document changed = doc;
    changed.set(section, key, value);
    require(changed.get(section, key) == Text(value));
    // One line changed, or at most a blank line, a section and an entry added.
    require(changed.lines().size() <= linesBefore + 3);
    ini::Document reread = ini::Document::fromText(changed.toText(), changed.encoding());
    require(reread.get(section, key) == Text(value));
    // Every other key keeps its value.
    for (const Text& name : doc.sectionNames()) {
        for (const Text& k : doc.keys(name)) {
            if (text::equalsFolded(name, section) && text::equalsFolded(k, key)) continue;
            require(reread.get(name, k) == doc.get(name, k));
        }
    }
    changed.removeKey(section, key);
    require(!changed.get(section, key));
    ini::Document removed = doc;
    if (removed.removeSection(section)) {
        for (const Text& name : removed.sectionNames()) require(!text::equalsFolded(name, section));
        // A file that ended without a line end still does.
        if (!before.empty() && before.back() != u'\n' && before.back() != u'\r' &&
            !removed.lines().empty())
            require(removed.lines().back().ending.empty());
    }
}

void storeProperties(std::string_view bytes, TextView name, TextView value) {
    ini::Document doc;
    if (!store::parseStore(bytes, doc).empty()) return;
    // Accepted files are UTF-8 and come back byte for byte.
    auto written = doc.toBytes();
    require(written && *written == bytes);

    for (const Text& section : doc.sectionNames()) {
        for (const Text& key : doc.keys(section)) {
            auto stored = doc.get(section, key);
            require(stored && store::unescape(*stored));
        }
    }

    // The store writes escaped names and values under sections it makes; an
    // accepted file must stay acceptable, and give back the value.
    for (qel::SettingsArea area : {qel::SettingsArea::Registry, qel::SettingsArea::Application}) {
        Text section = store::sectionFor(area, name);
        if (section.empty()) continue;
        Text escapedName = store::escapeName(name), escapedValue = store::escapeValue(value);
        ini::Document changed = doc;
        changed.set(section, escapedName, escapedValue);
        require(store::problemIn(changed).empty());
        auto bytesAfter = changed.toBytes();
        require(bytesAfter.has_value());
        ini::Document reread;
        require(store::parseStore(*bytesAfter, reread).empty());
        auto stored = reread.get(section, escapedName);
        require(stored && store::unescape(*stored) == Text(value));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // A line after the last NUL names what to write: section, key and value
    // separated by tabs; the bytes before it are the file.
    std::string_view file = bytes, change;
    if (std::size_t nul = bytes.rfind('\0'); nul != std::string_view::npos) {
        file = bytes.substr(0, nul);
        change = bytes.substr(nul + 1);
    }
    Text parts = text::fromUtf8(change);
    std::size_t tab1 = parts.find(u'\t');
    std::size_t tab2 = tab1 == Text::npos ? Text::npos : parts.find(u'\t', tab1 + 1);
    TextView all(parts);
    TextView section = all.substr(0, tab1);
    TextView key = tab1 == Text::npos ? TextView() : all.substr(tab1 + 1, tab2 - tab1 - 1);
    TextView value = tab2 == Text::npos ? TextView() : all.substr(tab2 + 1);
    if (tab1 == Text::npos) section = u"Section", key = u"key", value = all;

    documentProperties(file, section, key, value);
    documentProperties(bytes, section, key, value);
    storeProperties(file, section, value);
    storeProperties(bytes, key, value);
    return 0;
}
