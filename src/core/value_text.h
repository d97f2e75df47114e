// A variable's value: a text, as scripts see it, with faster forms of the
// same text kept beside it.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>

#include "text/number.h"
#include "text/text.h"

namespace qel {

// Scripts only ever see the text. Two other forms save work without ever
// showing a different text:
//
//  - the number the text reads as, so arithmetic does not read the same
//    digits again on every use; a number stored by arithmetic is written out
//    only when its text is asked for (it is then exactly number::format of it);
//  - the text's lines, for values used as tables (rows of cells) and
//    dictionaries (key=value lines), so that a cell or key is found and
//    written without walking or copying the whole text. Made on the first
//    such access; while cells or keys are written, the lines are the value
//    and the text is joined from them when it is next asked for.
//
// Whichever form was written last is the value; the others are dropped or
// marked to be made again from it.
class ValueText {
  public:
    ValueText();
    ValueText(Text text);
    ValueText(const ValueText& other);
    ValueText& operator=(const ValueText& other) {
        // A number copied from a number (an argument, an answer) is the
        // common case: nothing to write out, nothing to free.
        if (other.pending_ == Pending::Number && !lines_ && this != &other) {
            number_ = other.number_;
            numberState_ = other.numberState_;
            pending_ = Pending::Number;
            text_.clear();
            return *this;
        }
        return copyFrom(other);
    }
    ValueText(ValueText&& other) noexcept;
    ValueText& operator=(ValueText&& other) noexcept;
    ~ValueText();

    ValueText& operator=(Text text);
    ValueText& operator=(TextView text) { return *this = Text(text); }
    ValueText& operator=(const char16_t* text) { return *this = Text(text); }

    const Text& text() const {
        if (pending_ != Pending::None) writeOut();
        return text_;
    }
    operator const Text&() const { return text(); }
    operator TextView() const { return text(); }
    bool empty() const { return text().empty(); }
    std::size_t size() const { return text().size(); }
    // Empty, keeping the text's storage for the next value.
    void clear() {
        text_.clear();
        numberState_ = kUnknown;
        pending_ = Pending::None;
        if (lines_) dropLines();
    }

    // The text read leniently as a number (what arithmetic uses).
    double asNumber() const {
        if (numberState_ == kUnknown) readNumber();
        return numberState_ == kNumber ? number_ : number::toNumber(text());
    }
    // The number the text reads as, when it reads as one (the text is then
    // exactly that number's reading: see setNumber).
    bool readsAsNumber(double& out) const {
        asNumber();
        if (numberState_ != kNumber) return false;
        out = number_;
        return true;
    }
    // The number the value is exactly the text of ("7", not "007" or
    // "7.0"): a number kept as one, or a text that reads back unchanged.
    bool holdsExactNumber(double& out) const {
        if (pending_ == Pending::Number) {
            out = number_;
            return true;
        }
        return readsAsNumber(out) && textIsNumberReading(out);
    }
    // Keeps a computed number. The number kept must be the one its text
    // reads as (at most 15 significant digits), or later arithmetic would
    // see digits the script never could: 1÷3 is 0.333333333333333, and that
    // times 3 is 0.999999999999999, not 1. Whole numbers below 10^15 are
    // exactly their text, so only those are kept without writing them out.
    void setNumber(double value) {
        if (lines_) dropLines();
        numberState_ = kNumber;
        // The range test first, so the conversion is defined; it is also a
        // whole-number test cheaper than std::trunc, a library call here.
        if (std::fabs(value) < 1e15 &&
            static_cast<double>(static_cast<long long>(value)) == value) {
            number_ = value + 0.0;  // no negative zero: its text is "0"
            pending_ = Pending::Number;
            return;
        }
        keepFractionalNumber(value);
    }
    // The text for editing in place; the other forms are dropped.
    Text& edit();
    ValueText& operator+=(TextView more) {
        edit() += more;
        return *this;
    }

    // ---- the value as a table: rows split at CR LF ---------------------------
    // Row r (1-based), empty past the last row. The view is valid until the
    // value next changes.
    TextView row(long long r) const;
    // Writes cell c (c >= 1) of row r (r >= 1), rows added as needed. `cell`
    // is already escaped (values::escapeCell); the row's "、" and "，"
    // separators become ",".
    void writeCell(long long r, long long c, TextView cell);
    // Replaces the whole of row r (r >= 1), rows added as needed.
    void writeRow(long long r, TextView value);

    // ---- the value as a dictionary: key=value lines -------------------------
    // What values::DictGet and values::DictSet give on the text.
    Text dictGet(TextView key) const;
    void dictSet(TextView key, TextView value);

  private:
    struct Lines;
    enum : std::uint8_t { kUnknown, kNumber, kNotNumber };
    // Which form the text is still to be written from.
    enum class Pending : std::uint8_t { None, Number, Lines };

    ValueText& copyFrom(const ValueText& other);
    void writeOut() const;
    void readNumber() const;
    Lines& lines() const;
    // After a write to the lines: they are the value now.
    void linesWritten();
    void dropForms();
    void dropLines();
    void keepFractionalNumber(double value);
    bool textIsNumberReading(double number) const;

    mutable Text text_;
    mutable double number_ = 0;
    mutable std::uint8_t numberState_ = kUnknown;
    mutable Pending pending_ = Pending::None;
    mutable std::unique_ptr<Lines> lines_;
};

}  // namespace qel
