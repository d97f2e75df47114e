#include "library/registry/function_support.h"

#include <cmath>

#include "core/engine.h"
#include "core/evaluator.h"
#include "core/pattern_errors.h"
#include "core/values.h"
#include "library/registry/arguments.h"
#include "text/number.h"

namespace qel {

// ---- arguments ------------------------------------------------------------------

FnArgs::FnArgs(Engine& engine, TextView args, std::size_t count)
    : engine_(engine), split_(SplitPiecesOf(engine, args)) {
    written_ = split_->written;
    count_ = std::max(count, split_->pieces.size());
    if (count_ > few_.size()) more_.resize(count_ - few_.size());
}

const Text& FnArgs::raw(std::size_t i) const {
    static const Text kEmpty;
    return i < split_->pieces.size() ? split_->pieces[i] : kEmpty;
}

const Text& FnArgs::text(std::size_t i) {
    static const Text kEmpty;
    if (i >= count_) return kEmpty;
    std::optional<Text>& value = slot(i);
    if (!value) value = evaluate(i);
    return *value;
}

Text FnArgs::evaluate(std::size_t i) {
    const Text& piece = raw(i);
    if (piece.empty()) return {};
    if (i >= split_->plans.size()) return engine_.EvalText(piece);
    std::shared_ptr<const eval::ArgPlan>& plan = split_->plans[i];
    // A piece that cannot be analysed (nested too deep) is evaluated from its
    // text each time, which reports why.
    if (!plan) plan = engine_.tryPlanFor(piece);
    return plan ? engine_.EvalPlanned(*plan, piece) : engine_.EvalText(piece);
}

double FnArgs::number(std::size_t i) {
    auto& literals = split_->literalNumbers;
    if (i < literals.size() && literals[i]) return *literals[i];
    const double value = number::toNumber(text(i));
    // A literal always evaluates to the same text: its number is kept.
    if (i < split_->plans.size() && split_->plans[i] &&
        split_->plans[i]->kind == eval::PlanKind::Constant) {
        if (literals.size() < split_->plans.size()) literals.resize(split_->plans.size());
        literals[i] = value;
    }
    return value;
}

// ---- numbers ----------------------------------------------------------------------

int64_t toInt32(double value) {
    if (!std::isfinite(value)) throw NumericOverflow{};
    double rounded = std::nearbyint(value);  // the default mode rounds half to even
    if (rounded > 2147483647.0 || rounded < -2147483648.0) throw NumericOverflow{};
    return static_cast<int64_t>(rounded);
}

std::optional<int64_t> toCount(Engine& engine, double value) {
    int64_t n = toInt32(value);
    if (n < 0) {
        engine.Report(ErrorId::NegativeNumber, number::format(value));
        return std::nullopt;
    }
    return n;
}

Text numberResult(double value) {
    if (!std::isfinite(value)) throw NumericOverflow{};
    return number::format(value);
}

bool lengthAllowed(Engine& engine, double length) {
    if (length <= double(kMaxResultLength)) return true;
    engine.Report(ErrorId::NumberTooLarge);
    return false;
}

void reportBadNumber(Engine& engine, double value) {
    engine.Report(ErrorId::NumberOutOfRange, u"\r\n" + number::format(value));
}

// ---- tables -------------------------------------------------------------------------

std::vector<TextView> splitRows(TextView table) {
    return text::splitViews(table, kCRLF);
}

std::vector<TextView> splitCells(TextView row) {
    std::vector<TextView> cells;
    std::size_t start = 0;
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (isCellSeparator(row[i])) {
            cells.push_back(row.substr(start, i - start));
            start = i + 1;
        }
    }
    cells.push_back(row.substr(start));
    return cells;
}

bool forEachColumnEntry(Engine& engine, TextView table, double column,
                        const std::function<void(TextView entry)>& visit) {
    if (column < 0) {
        engine.Report(ErrorId::BadColumnNumber);
        return false;
    }
    const int64_t c = toInt32(column);
    Text decoded;
    auto emit = [&](TextView cell) {
        if (cell.find(u'{') == TextView::npos) {
            visit(cell);
        } else {
            decoded = values::unescapeCell(cell);
            visit(decoded);
        }
    };
    // One walk over the text, a character at a time: rows end at CR LF,
    // cells at the separators, and the rest of a row past the wanted cell is
    // skipped. A column of a large table costs its size once.
    const std::size_t size = table.size();
    std::size_t i = 0;
    for (;;) {
        int64_t index = 1;
        std::size_t cellStart = i;
        bool found = false;
        for (;; ++i) {
            if (i == size) break;
            const char16_t ch = table[i];
            // Most characters are neither a separator nor CR: one range test.
            if (ch > u',' && ch < u'、') continue;
            if (ch == kCR && i + 1 < size && table[i + 1] == kLF) break;
            if (!isCellSeparator(ch)) continue;
            if (c == 0) {
                emit(table.substr(cellStart, i - cellStart));
            } else if (index == c) {
                emit(table.substr(cellStart, i - cellStart));
                found = true;
                std::size_t rowEnd = table.find(kCRLF, i);
                i = rowEnd == TextView::npos ? size : rowEnd;
                break;
            }
            ++index;
            cellStart = i + 1;
        }
        // The row's last cell ends at the row's end.
        if (!found && (c == 0 || index == c)) {
            emit(table.substr(cellStart, i - cellStart));
            found = true;
        }
        if (!found) visit(TextView());
        if (i == size) break;
        i += 2;  // past CR LF
    }
    return true;
}

// ---- tests of one value -----------------------------------------------------------------

namespace {

constexpr TextView kTypeWords[] = {u"数字",     u"文字",     u"空",   u"大文字", u"小文字",
                                   u"ひらがな", u"カタカナ", u"半角", u"全角"};

bool isTypeWord(TextView word) {
    for (TextView w : kTypeWords) {
        if (w == word) return true;
    }
    return false;
}

struct ComparisonWord {
    TextView word;
    ValueTest::Kind kind;
};
// Longer words first, so 以上 is not read as a bare operand ending in 上.
constexpr ComparisonWord kSuffixWords[] = {
    {u"を含まない", ValueTest::NotContains}, {u"含まない", ValueTest::NotContains},
    {u"を含む", ValueTest::Contains},        {u"含む", ValueTest::Contains},
    {u"より大きい", ValueTest::Greater},     {u"より小さい", ValueTest::Less},
    {u"より上", ValueTest::Greater},         {u"より下", ValueTest::Less},
    {u"以上", ValueTest::GreaterEqual},      {u"以下", ValueTest::LessEqual},
    {u"でない", ValueTest::NotEqual},        {u"と等しい", ValueTest::Equal},
};
constexpr ComparisonWord kSymbols[] = {
    {u">=", ValueTest::GreaterEqual}, {u"<=", ValueTest::LessEqual}, {u"<>", ValueTest::NotEqual},
    {u"!=", ValueTest::NotEqual},     {u">", ValueTest::Greater},    {u"<", ValueTest::Less},
    {u"=", ValueTest::Equal},
};

// Full-width comparison symbols as their half-width forms.
Text narrowSymbols(TextView t) {
    Text out(t);
    for (char16_t& c : out) {
        if (c == u'＞')
            c = u'>';
        else if (c == u'＜')
            c = u'<';
        else if (c == u'＝')
            c = u'=';
        else if (c == u'！')
            c = u'!';
    }
    return out;
}

}  // namespace

std::optional<ValueTest> makeValueTest(Engine& engine, TextView operand, TextView how) {
    Text word = narrowSymbols(text::trimBlanks(how));
    if (word.empty() || word == u"=" || word == u"同じ" || word == u"等しい" || word == u"一致") {
        return ValueTest{ValueTest::Equal, Text(operand)};
    }
    if (isTypeWord(word)) return ValueTest{ValueTest::TypeWord, word};
    if (word == u"パターン" || word == u"正規表現")
        return ValueTest{ValueTest::Pattern, Text(operand)};
    if (word == u"違う" || word == u"異なる") return ValueTest{ValueTest::NotEqual, Text(operand)};
    for (const auto& w : kSuffixWords) {
        if (word == w.word ||
            (w.word.size() > 1 && w.word[0] == u'を' && word == w.word.substr(1))) {
            return ValueTest{w.kind, Text(operand)};
        }
    }
    for (const auto& s : kSymbols) {
        if (word == s.word) return ValueTest{s.kind, Text(operand)};
    }
    engine.Report(ErrorId::ValueNotRight, u"判別の条件");
    return std::nullopt;
}

std::optional<ValueTest> parseValueTest(Engine& engine, TextView condition) {
    Text c = narrowSymbols(text::trimBlanks(condition));
    if (isTypeWord(c)) return ValueTest{ValueTest::TypeWord, c};
    auto operand = [&](TextView t) { return engine.EvalText(text::trimBlanks(t)); };
    for (const auto& w : kSuffixWords) {
        if (c.size() > w.word.size() && text::endsWith(c, w.word)) {
            return ValueTest{w.kind, operand(TextView(c).substr(0, c.size() - w.word.size()))};
        }
    }
    for (const auto& s : kSymbols) {
        if (text::startsWith(c, s.word))
            return ValueTest{s.kind, operand(TextView(c).substr(s.word.size()))};
    }
    return ValueTest{ValueTest::Equal, operand(c)};
}

std::optional<bool> runValueTest(Engine& engine, const ValueTest& test, TextView value) {
    auto numbers = [&](double& l, double& r) {
        auto a = number::parse(value), b = number::parse(test.operand);
        if (!a || !b) return false;
        l = *a, r = *b;
        return true;
    };
    double l = 0, r = 0;
    switch (test.kind) {
        case ValueTest::Equal:
        case ValueTest::NotEqual: {
            bool same = value == test.operand || (numbers(l, r) && l == r);
            return test.kind == ValueTest::Equal ? same : !same;
        }
        case ValueTest::Greater:
        case ValueTest::Less:
        case ValueTest::GreaterEqual:
        case ValueTest::LessEqual: {
            // Numbers compare by value and texts by their characters; a
            // number and a text are not in order at all (x is not 4以上).
            int order = 0;
            if (numbers(l, r)) {
                order = l < r ? -1 : l > r ? 1 : 0;
            } else if (number::readsAsNumber(value) || number::readsAsNumber(test.operand)) {
                return false;
            } else {
                order = value.compare(test.operand) < 0   ? -1
                        : value == TextView(test.operand) ? 0
                                                          : 1;
            }
            switch (test.kind) {
                case ValueTest::Greater:
                    return order > 0;
                case ValueTest::Less:
                    return order < 0;
                case ValueTest::GreaterEqual:
                    return order >= 0;
                default:
                    return order <= 0;
            }
        }
        case ValueTest::Contains:
            return text::contains(value, test.operand);
        case ValueTest::NotContains:
            return !text::contains(value, test.operand);
        case ValueTest::Pattern: {
            auto pattern = CompilePattern(engine, test.operand, true);
            if (!pattern) return std::nullopt;
            bool found = false;
            if (PatternFailed(engine, pattern->search(value, found), test.operand))
                return std::nullopt;
            return found;
        }
        case ValueTest::TypeWord:
            return engine.CompareValues(value, u"\"" + test.operand + u"\"", 0);
    }
    return false;
}

}  // namespace qel
