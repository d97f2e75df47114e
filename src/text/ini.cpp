#include "text/ini.h"

namespace qel::ini {

namespace {

bool isIniBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

Encoding detectEncoding(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return Encoding::Utf8WithBom;
    if (bytes.starts_with("\xFF\xFE")) return Encoding::Utf16LE;
    if (bytes.starts_with("\xFE\xFF")) return Encoding::Utf16BE;
    if (text::isValidUtf8(bytes)) return Encoding::Utf8;
    return Encoding::Cp932;
}

std::string toUtf16(TextView text, bool bigEndian) {
    std::string out(bigEndian ? "\xFE\xFF" : "\xFF\xFE");
    out.reserve(2 + text.size() * 2);
    for (char16_t c : text) {
        char hi = char(c >> 8), lo = char(c & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

// Code page 932 cannot write every character; '?' would quietly replace
// them, so the first one that does not fit is named instead.
std::optional<std::string> toCp932Strict(TextView text, char16_t* unwritable) {
    for (char16_t c : text) {
        if (text::cp932Code(c) < 0) {
            if (unwritable) *unwritable = c;
            return std::nullopt;
        }
    }
    return text::toCp932(text);
}

std::vector<Line> splitLines(TextView text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] != kCR && text[i] != kLF) continue;
        std::size_t endLength = (text[i] == kCR && i + 1 < n && text[i + 1] == kLF) ? 2 : 1;
        Line line = parseLine(text.substr(start, i - start));
        line.ending = Text(text.substr(i, endLength));
        lines.push_back(std::move(line));
        i += endLength - 1;
        start = i + 1;
    }
    if (start < n) lines.push_back(parseLine(text.substr(start)));
    return lines;
}

Line entryLine(TextView key, TextView value) {
    Text text(key);
    text += u'=';
    text += value;
    return parseLine(text);
}

}  // namespace

TextView trimIni(TextView text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isIniBlank(text[b])) ++b;
    while (e > b && isIniBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

Line parseLine(TextView text) {
    Line line;
    line.text = Text(text);
    TextView t = trimIni(text);
    if (t.empty()) {
        line.kind = Line::Kind::Blank;
    } else if (t[0] == u';' || t[0] == u'#') {
        line.kind = Line::Kind::Comment;
    } else if (t[0] == u'[') {
        std::size_t close = t.find(u']');
        if (close == TextView::npos) return line;  // Other
        line.kind = Line::Kind::Section;
        line.name = Text(trimIni(t.substr(1, close - 1)));
    } else {
        std::size_t eq = t.find(u'=');
        if (eq == TextView::npos) return line;
        TextView key = trimIni(t.substr(0, eq));
        if (key.empty()) return line;
        line.kind = Line::Kind::Entry;
        line.name = Text(key);
    }
    return line;
}

Document Document::fromBytes(std::string_view bytes) {
    Document doc = fromText(text::decodeFileBytes(bytes), detectEncoding(bytes));
    return doc;
}

Document Document::fromText(TextView text, Encoding encoding) {
    Document doc;
    doc.encoding_ = encoding;
    doc.lines_ = splitLines(text);
    for (const Line& line : doc.lines_) {
        if (!line.ending.empty()) {
            doc.lineEnd_ = line.ending;
            break;
        }
    }
    return doc;
}

Text Document::toText() const {
    Text out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

std::optional<std::string> Document::toBytes(char16_t* unwritable) const {
    Text text = toText();
    switch (encoding_) {
        case Encoding::Utf8:
            return text::toUtf8(text);
        case Encoding::Utf8WithBom:
            return "\xEF\xBB\xBF" + text::toUtf8(text);
        case Encoding::Utf16LE:
            return toUtf16(text, false);
        case Encoding::Utf16BE:
            return toUtf16(text, true);
        case Encoding::Cp932:
            return toCp932Strict(text, unwritable);
    }
    return std::nullopt;
}

std::vector<std::pair<std::size_t, std::size_t>> Document::sectionRanges(TextView section) const {
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Line::Kind::Section || !text::equalsFolded(lines_[i].name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && lines_[end].kind != Line::Kind::Section) ++end;
        ranges.emplace_back(i, end);
    }
    return ranges;
}

std::optional<Text> Document::get(TextView section, TextView key) const {
    for (auto [first, last] : sectionRanges(section)) {
        for (std::size_t i = first + 1; i < last; ++i) {
            const Line& line = lines_[i];
            if (line.kind != Line::Kind::Entry || !text::equalsFolded(line.name, key)) continue;
            TextView t = line.text;
            return Text(trimIni(t.substr(t.find(u'=') + 1)));
        }
    }
    return std::nullopt;
}

void Document::insertLine(std::size_t at, Line line) {
    line.ending = lineEnd_;
    if (at > 0 && lines_[at - 1].ending.empty()) {
        // The line before was the file's last and had no line end: it gets
        // one, and the new last line goes without, as the file did.
        lines_[at - 1].ending = lineEnd_;
        if (at == lines_.size()) line.ending.clear();
    }
    lines_.insert(lines_.begin() + std::ptrdiff_t(at), std::move(line));
}

void Document::set(TextView section, TextView key, TextView value) {
    auto ranges = sectionRanges(section);
    for (auto [first, last] : ranges) {
        for (std::size_t i = first + 1; i < last; ++i) {
            Line& line = lines_[i];
            if (line.kind != Line::Kind::Entry || !text::equalsFolded(line.name, key)) continue;
            // Keep the key as the line spells it, and the blanks after "=".
            std::size_t valueStart = line.text.find(u'=') + 1;
            while (valueStart < line.text.size() && isIniBlank(line.text[valueStart])) ++valueStart;
            Text ending = line.ending;
            line = parseLine(line.text.substr(0, valueStart) + Text(value));
            line.ending = ending;
            return;
        }
    }
    if (!ranges.empty()) {
        auto [first, last] = ranges.front();
        std::size_t at = last;
        while (at > first + 1 && lines_[at - 1].kind == Line::Kind::Blank) --at;
        insertLine(at, entryLine(key, value));
        return;
    }
    if (!lines_.empty() && lines_.back().kind != Line::Kind::Blank) {
        insertLine(lines_.size(), parseLine(u""));
    }
    insertLine(lines_.size(), parseLine(u"[" + Text(section) + u"]"));
    insertLine(lines_.size(), entryLine(key, value));
}

bool Document::removeKey(TextView section, TextView key) {
    bool removed = false;
    auto ranges = sectionRanges(section);
    // Back to front, so the earlier ranges stay valid.
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
        for (std::size_t i = it->second; i-- > it->first + 1;) {
            if (lines_[i].kind == Line::Kind::Entry && text::equalsFolded(lines_[i].name, key)) {
                lines_.erase(lines_.begin() + std::ptrdiff_t(i));
                removed = true;
            }
        }
    }
    return removed;
}

bool Document::removeSection(TextView section) {
    auto ranges = sectionRanges(section);
    if (ranges.empty()) return false;
    // A file that ended without a line end keeps ending without one.
    bool endedBare = ranges.back().second == lines_.size() && lines_.back().ending.empty();
    for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
        lines_.erase(lines_.begin() + std::ptrdiff_t(it->first),
                     lines_.begin() + std::ptrdiff_t(it->second));
    }
    if (endedBare && !lines_.empty()) lines_.back().ending.clear();
    return true;
}

std::vector<Text> Document::sectionNames() const {
    std::vector<Text> names;
    for (const Line& line : lines_) {
        if (line.kind != Line::Kind::Section) continue;
        bool seen = false;
        for (const Text& n : names) seen = seen || text::equalsFolded(n, line.name);
        if (!seen) names.push_back(line.name);
    }
    return names;
}

std::vector<Text> Document::keys(TextView section) const {
    std::vector<Text> names;
    for (auto [first, last] : sectionRanges(section)) {
        for (std::size_t i = first + 1; i < last; ++i) {
            if (lines_[i].kind != Line::Kind::Entry) continue;
            bool seen = false;
            for (const Text& n : names) seen = seen || text::equalsFolded(n, lines_[i].name);
            if (!seen) names.push_back(lines_[i].name);
        }
    }
    return names;
}

}  // namespace qel::ini
