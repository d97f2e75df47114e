#include "core/value_text.h"

#include <cstdint>
#include <vector>

#include "core/values.h"

namespace qel {

namespace {

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

// A key's hash: short keys are the usual case, so a multiply per character
// and one final mix (the slot is taken from the low bits).
std::uint32_t keyHash(TextView key) {
    std::uint64_t h = 0xcbf29ce484222325ull ^ key.size();
    for (char16_t c : key) h = (h ^ c) * 0x100000001b3ull;
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    return std::uint32_t(h);
}

// Whether `line` holds `key` (which has no "=" in it) as its key.
bool lineHasKey(TextView line, TextView key) {
    return line.size() > key.size() && line[key.size()] == u'=' &&
           line.compare(0, key.size(), key) == 0;
}

// The first line of each key, by open addressing over (hash, line number)
// pairs. The keys themselves are read from their lines: a dictionary of
// short entries would otherwise hold each key twice, and a table of nodes
// costs a cache miss per pointer on every look-up.
class KeyIndex {
  public:
    static constexpr std::size_t kNone = ~std::size_t(0);

    std::size_t find(const std::vector<Text>& rows, TextView key, std::uint32_t hash) const {
        if (slots_.empty()) return kNone;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.line == kEmptySlot) return kNone;
            if (slot.hash == hash && lineHasKey(rows[slot.line], key)) return slot.line;
        }
    }
    // `line` is the first line of a key not in the index yet.
    void add(std::uint32_t hash, std::size_t line) {
        if ((used_ + 1) * 4 > slots_.size() * 3) grow();
        place(hash, std::uint32_t(line));
        ++used_;
    }
    void reserve(std::size_t keys) {
        while (keys * 4 > slots_.size() * 3) grow();
    }
    void clear() {
        std::vector<Slot>().swap(slots_);
        used_ = 0;
    }

  private:
    static constexpr std::uint32_t kEmptySlot = ~std::uint32_t(0);
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t line = kEmptySlot;
    };

    void place(std::uint32_t hash, std::uint32_t line) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash & mask;
        while (slots_[i].line != kEmptySlot) i = (i + 1) & mask;
        slots_[i] = Slot{hash, line};
    }
    void grow() {
        std::vector<Slot> old(slots_.empty() ? 16 : slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& slot : old) {
            if (slot.line != kEmptySlot) place(slot.hash, slot.line);
        }
    }

    std::vector<Slot> slots_;  // a power of two in size
    std::size_t used_ = 0;
};

}  // namespace

// The value's lines, each without its CR LF; no line holds CR LF, so joining
// them gives the text back exactly.
struct ValueText::Lines {
    std::vector<Text> rows;
    // The first line of each key (the text before a line's first "="); made
    // on the first dictionary access and dropped when a cell is written.
    KeyIndex keys;
    bool keysMade = false;

    void makeKeys() {
        if (keysMade) return;
        keys.reserve(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::size_t eq = rows[i].find(u'=');
            if (eq == Text::npos) continue;
            TextView key = TextView(rows[i]).substr(0, eq);
            std::uint32_t hash = keyHash(key);
            if (keys.find(rows, key, hash) == KeyIndex::kNone) keys.add(hash, i);
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

ValueText& ValueText::copyFrom(const ValueText& other) {
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

bool ValueText::textIsNumberReading(double number) const {
    return text() == number::format(number);
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
    const std::size_t found = l.keys.find(l.rows, key, keyHash(key));
    if (found == KeyIndex::kNone) return {};
    TextView stored = TextView(l.rows[found]).substr(key.size() + 1);
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
    const std::uint32_t hash = keyHash(key);
    const std::size_t found = l.keys.find(l.rows, key, hash);
    if (found != KeyIndex::kNone) {
        l.rows[found] = std::move(line);
    } else if (l.rows.size() == 1 && l.rows[0].empty()) {
        l.rows[0] = std::move(line);
        l.keys.add(hash, 0);
    } else {
        l.rows.push_back(std::move(line));
        l.keys.add(hash, l.rows.size() - 1);
    }
    linesWritten();
}

}  // namespace qel
