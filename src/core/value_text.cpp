#include "core/value_text.h"

#include <unordered_map>
#include <vector>

#include "core/values.h"

namespace qel {

namespace {

struct ExactHash {
    using is_transparent = void;
    std::size_t operator()(TextView t) const noexcept { return std::hash<TextView>{}(t); }
};
struct ExactEqual {
    using is_transparent = void;
    bool operator()(TextView a, TextView b) const noexcept { return a == b; }
};

std::vector<Text> splitLines(TextView t) {
    std::vector<Text> rows;
    std::size_t start = 0;
    for (std::size_t p = t.find(kCRLF); p != TextView::npos; p = t.find(kCRLF, start)) {
        rows.emplace_back(t.substr(start, p - start));
        start = p + 2;
    }
    rows.emplace_back(t.substr(start));
    return rows;
}

Text joinLines(const std::vector<Text>& rows) {
    std::size_t size = rows.empty() ? 0 : 2 * (rows.size() - 1);
    for (const Text& row : rows) size += row.size();
    Text out;
    out.reserve(size);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i > 0) out += kCRLF;
        out += rows[i];
    }
    return out;
}

// A key the line index can answer for: a line holds it exactly when the text
// before the line's first "=" is the key. Keys with "=" or a line break in
// them can match elsewhere (across lines, or further into a line) and are
// looked up in the text itself.
bool indexable(TextView key) {
    return key.find_first_of(u"=\r\n") == TextView::npos;
}

}  // namespace

// The value's lines, each without its CR LF; no line holds CR LF, so joining
// them gives the text back exactly.
struct ValueText::Lines {
    std::vector<Text> rows;
    // The first line of each key (the text before a line's first "="); made
    // on the first dictionary access and dropped when a cell is written.
    std::unordered_map<Text, std::size_t, ExactHash, ExactEqual> keys;
    bool keysMade = false;

    void makeKeys() {
        if (keysMade) return;
        keys.reserve(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::size_t eq = rows[i].find(u'=');
            if (eq != Text::npos) keys.try_emplace(rows[i].substr(0, eq), i);
        }
        keysMade = true;
    }
    void dropKeys() {
        if (!keysMade) return;
        keys.clear();
        keysMade = false;
    }
    void ensureRows(long long r) {
        if (std::size_t(r) > rows.size()) rows.resize(std::size_t(r));
    }
};

ValueText::ValueText() = default;
ValueText::ValueText(Text text) : text_(std::move(text)) {}
ValueText::~ValueText() = default;
ValueText::ValueText(ValueText&& other) noexcept = default;
ValueText& ValueText::operator=(ValueText&& other) noexcept = default;

// A copy takes the text (and the number it reads as); the lines stay with
// the original, which may go on writing them. A number not yet written out
// is copied as the number: passing a count to a procedure must not format it.
ValueText::ValueText(const ValueText& other) {
    *this = other;
}

ValueText& ValueText::operator=(const ValueText& other) {
    if (this == &other) return *this;
    number_ = other.number_;
    numberState_ = other.numberState_;
    lines_.reset();
    if (other.pending_ == Pending::Number) {
        text_.clear();
        pending_ = Pending::Number;
    } else {
        text_ = other.text();
        pending_ = Pending::None;
    }
    return *this;
}

ValueText& ValueText::operator=(Text text) {
    text_ = std::move(text);
    dropForms();
    return *this;
}

void ValueText::dropForms() {
    numberState_ = kUnknown;
    pending_ = Pending::None;
    lines_.reset();
}

void ValueText::writeOut() const {
    if (pending_ == Pending::Number) {
        text_ = number::format(number_);
    } else if (pending_ == Pending::Lines) {
        text_ = joinLines(lines_->rows);
    }
    pending_ = Pending::None;
}

void ValueText::readNumber() const {
    auto parsed = number::parse(text());
    numberState_ = parsed ? kNumber : kNotNumber;
    number_ = parsed.value_or(0);
}

void ValueText::dropLines() {
    lines_.reset();
}

void ValueText::keepFractionalNumber(double value) {
    text_ = number::format(value);
    number_ = number::parse(text_).value_or(0);
    pending_ = Pending::None;
}

Text& ValueText::edit() {
    text();
    lines_.reset();
    numberState_ = kUnknown;
    return text_;
}

ValueText::Lines& ValueText::lines() const {
    if (!lines_) {
        lines_ = std::make_unique<Lines>();
        lines_->rows = splitLines(text());
    }
    return *lines_;
}

void ValueText::linesWritten() {
    if (pending_ != Pending::Lines) {
        pending_ = Pending::Lines;
        Text().swap(text_);  // a second copy of a large table is not kept
    }
    numberState_ = kUnknown;
}

TextView ValueText::row(long long r) const {
    const Lines& l = lines();
    if (r < 1 || std::size_t(r) > l.rows.size()) return {};
    return l.rows[std::size_t(r) - 1];
}

void ValueText::writeCell(long long r, long long c, TextView cell) {
    Lines& l = lines();
    l.ensureRows(r);
    Text& line = l.rows[std::size_t(r) - 1];
    values::writeCell(line, 0, line.size(), c, cell);
    l.dropKeys();
    linesWritten();
}

void ValueText::writeRow(long long r, TextView value) {
    Lines& l = lines();
    l.ensureRows(r);
    l.rows[std::size_t(r) - 1] = Text(value);
    if (value.find(kCRLF) != TextView::npos) {
        // The row becomes several lines: the text is the value again.
        *this = joinLines(l.rows);
        return;
    }
    l.dropKeys();
    linesWritten();
}

Text ValueText::dictGet(TextView key) const {
    if (!indexable(key)) return values::DictGet(text(), key);
    Lines& l = lines();
    l.makeKeys();
    auto found = l.keys.find(key);
    if (found == l.keys.end()) return {};
    TextView stored = TextView(l.rows[found->second]).substr(key.size() + 1);
    // Only a value that held line breaks carries {/n}: most are copied as they are.
    if (stored.find(u'{') == TextView::npos) return Text(stored);
    return text::replaceAll(stored, u"{/n}", kCRLF);
}

void ValueText::dictSet(TextView key, TextView value) {
    if (!indexable(key)) {
        *this = values::DictSet(text(), key, value);
        return;
    }
    Lines& l = lines();
    l.makeKeys();
    Text line(key);
    line += u'=';
    if (value.find(u'\r') == TextView::npos) {
        line += value;  // no line break to write as {/n}
    } else {
        line += text::replaceAll(value, kCRLF, u"{/n}");
    }
    auto found = l.keys.find(key);
    if (found != l.keys.end()) {
        l.rows[found->second] = std::move(line);
    } else if (l.rows.size() == 1 && l.rows[0].empty()) {
        l.rows[0] = std::move(line);
        l.keys.emplace(Text(key), 0);
    } else {
        l.rows.push_back(std::move(line));
        l.keys.emplace(Text(key), l.rows.size() - 1);
    }
    linesWritten();
}

}  // namespace qel
