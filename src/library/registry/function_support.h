// What the string, number, date and table functions share: typed reading of
// their arguments, the checks every member makes on counts and results, the
// column step of tables, and compiled regular expressions.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/limits.h"
#include "library/registry/arguments.h"
#include "library/registry/script_fault.h"
#include "text/text.h"

namespace qel {

class Engine;
namespace eval {
struct ArgPlan;
}

// The longest text a function builds: the limit of every text a script
// makes. A repeat count or a padding that would pass it is refused with
// error 11 before any memory is asked for.
constexpr std::size_t kMaxResultLength = kMaxTextLength;

// The pieces of a bound argument text, evaluated when first read.
class FnArgs {
  public:
    FnArgs(Engine& engine, TextView args, std::size_t count);

    // The raw piece as written (blanks trimmed).
    const Text& raw(std::size_t i) const;
    // The piece was written (not empty); a missing piece reads "" or 0.
    bool given(std::size_t i) const { return !raw(i).empty(); }
    // The evaluated piece.
    const Text& text(std::size_t i);
    // The piece read in place, without copying it, when it names a variable
    // and no piece left to evaluate can run script code (which could change
    // or drop that variable); otherwise text(i). A table of 100,000 rows is
    // not copied for every search. The view is valid only until the handler
    // runs script code or reports an error.
    TextView view(std::size_t i);
    // The evaluated piece read leniently as a number.
    double number(std::size_t i);
    // How many pieces the call wrote (before padding to `count`).
    std::size_t written() const { return written_; }
    Engine& engine() { return engine_; }

  private:
    Text evaluate(std::size_t i);
    // The piece's analysis, made on first use; null for an empty piece or
    // one that cannot be analysed.
    const eval::ArgPlan* planOf(std::size_t i);
    const std::vector<PieceReach>& reaches();
    // Whether every piece but `i` is evaluated already or runs no script
    // code when it is.
    bool othersRunNoScript(std::size_t i);

    Engine& engine_;
    std::shared_ptr<const SplitPieces> split_;
    std::optional<Text>& slot(std::size_t i) {
        return i < few_.size() ? few_[i] : more_[i - few_.size()];
    }

    // The evaluated pieces. Most functions take at most three arguments:
    // those are kept here rather than in storage allocated on every call.
    std::array<std::optional<Text>, 3> few_;
    std::vector<std::optional<Text>> more_;
    std::size_t count_ = 0;
    std::size_t written_ = 0;
};

// A count or position as a whole number: rounded half to even like the
// platform's integer conversion; beyond the 32-bit range it throws
// NumericOverflow.
int64_t toInt32(double value);
// The same for a count that may not be negative: reports error 5 with the
// number and returns nothing.
std::optional<int64_t> toCount(Engine& engine, double value);
// A number result in the language's form; an infinite or undefined value
// overflows rather than being written as "inf" or "nan".
Text numberResult(double value);
// Refuses (error 11) a text that would grow past kMaxResultLength.
bool lengthAllowed(Engine& engine, double length);
// Error 4, "the number given to the function is not right", with the number.
void reportBadNumber(Engine& engine, double value);

// ---- tables -------------------------------------------------------------------
// The list separators "、" and "，" read as ",".
inline bool isCellSeparator(char16_t c) {
    return c == u',' || c == u'、' || c == u'，';
}
// Rows of a table text at CR LF (a trailing CR LF leaves a last empty row).
std::vector<TextView> splitRows(TextView table);
// Cells of one row at ",", "、" and "，" (cells stay escaped).
std::vector<TextView> splitCells(TextView row);
// The column step: c < 0 reports ErrorId::BadColumnNumber and gives false; c = 0 visits every
// cell of every row; c >= 1 visits cell c of every row (empty for short rows).
// Entries are visited with their escapes undone, one pass over the text.
bool forEachColumnEntry(Engine& engine, TextView table, double column,
                        const std::function<void(TextView entry)>& visit);

// ---- tests of one value -----------------------------------------------------------
// A comparison of a value with an operand, or a test of its kind, in the
// words of the language's conditions.
struct ValueTest {
    enum Kind {
        Equal,
        NotEqual,
        Greater,
        Less,
        GreaterEqual,
        LessEqual,
        Contains,
        NotContains,
        Pattern,
        TypeWord
    } kind;
    Text operand;
};
// From an operand and a comparison word (empty: equal; 以上, 以下, より上,
// より下, でない, 含む, 含まない, パターン, or a kind: 数字, 文字, 空, 大文字,
// 小文字, ひらがな, カタカナ, 半角, 全角). An unknown word reports error 41.
std::optional<ValueTest> makeValueTest(Engine& engine, TextView operand, TextView how);
// From one condition text: a kind word, or an operand with a comparison word
// after it (50以上, 「東」を含む) or a comparison symbol before it (>=50).
std::optional<ValueTest> parseValueTest(Engine& engine, TextView condition);
// Nothing after reporting a bad pattern.
std::optional<bool> runValueTest(Engine& engine, const ValueTest& test, TextView value);

}  // namespace qel
