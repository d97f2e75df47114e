#include "library/registry/function_support.h"

#include <cmath>

#include "core/engine.h"
#include "core/evaluator.h"
#include "core/pattern_errors.h"
#include "core/stack_guard.h"
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

const eval::ArgPlan* FnArgs::planOf(std::size_t i) {
    if (i >= split_->plans.size()) return nullptr;
    std::shared_ptr<const eval::ArgPlan>& plan = split_->plans[i];
    if (!plan && !split_->pieces[i].empty()) plan = engine_.tryPlanFor(split_->pieces[i]);
    return plan.get();
}

Text FnArgs::evaluate(std::size_t i) {
    const Text& piece = raw(i);
    if (piece.empty()) return {};
    if (i >= split_->plans.size()) return engine_.EvalText(piece);
    // A piece that cannot be analysed (nested too deep) is evaluated from its
    // text each time, which reports why.
    const eval::ArgPlan* plan = planOf(i);
    return plan ? engine_.EvalPlanned(*plan, piece) : engine_.EvalText(piece);
}

namespace {

// The variable a piece names as a whole (no element index), if it is one now.
const xxCmdData* plainVariable(Engine& engine, const eval::ArgPlan& plan) {
    if (plan.kind != eval::PlanKind::Name || plan.hasArgumentBracket || !plan.argument.empty() ||
        plan.name.empty())
        return nullptr;
    return engine.FindVariable(plan.name, plan.lookup);
}

// Whether evaluating the plan runs no script code: literals, and variables
// read as they are, joined or computed. A name that is no variable may call a
// function or a procedure, and an element's index is itself evaluated. An
// error reported on the way could run the script's error procedure, so a
// join that could grow past the length limit does not count either: `length`
// adds up the most the plan can give.
bool runsNoScript(Engine& engine, const eval::ArgPlan& plan, std::size_t& length, int depth = 0) {
    // The longest text a computed number is written as ("-1.23456789012345E+308").
    constexpr std::size_t kNumberLength = 32;
    if (depth > 8 || length > kMaxTextLength) return false;
    switch (plan.kind) {
        case eval::PlanKind::Constant:
            length += plan.constant.size();
            return true;
        case eval::PlanKind::Name:
            if (const xxCmdData* variable = plainVariable(engine, plan)) {
                length += variable->Value.size();
                return true;
            }
            return false;
        case eval::PlanKind::Inner:
            return plan.left && runsNoScript(engine, *plan.left, length, depth + 1);
        case eval::PlanKind::Concat:
            for (const auto& piece : plan.pieces) {
                if (!piece || !runsNoScript(engine, *piece, length, depth + 1)) return false;
            }
            break;
        case eval::PlanKind::Embedded:
            for (const auto& part : plan.parts) {
                length += part.literal.size();
                if (!part.plan || !runsNoScript(engine, *part.plan, length, depth + 1))
                    return false;
            }
            length += plan.tail.size();
            break;
        case eval::PlanKind::Arithmetic:
            if (!plan.arithmetic) return false;
            for (const auto& token : plan.arithmetic->tokens) {
                if (token.plan && !runsNoScript(engine, *token.plan, length, depth + 1))
                    return false;
            }
            length += kNumberLength;
            break;
    }
    return length <= kMaxTextLength;
}

// The reach of a plan from its form alone: whether its names turn out to be
// variables is for the run to tell.
PieceReach reachOfPlan(const eval::ArgPlan& plan, int depth = 0) {
    if (depth > 8) return PieceReach::Runs;
    auto worst = [](PieceReach a, PieceReach b) { return a > b ? a : b; };
    switch (plan.kind) {
        case eval::PlanKind::Constant:
            return PieceReach::Literal;
        case eval::PlanKind::Name:
            return plan.hasArgumentBracket || !plan.argument.empty() || plan.name.empty()
                       ? PieceReach::Runs
                       : PieceReach::Reads;
        case eval::PlanKind::Inner:
            return plan.left ? worst(PieceReach::Reads, reachOfPlan(*plan.left, depth + 1))
                             : PieceReach::Runs;
        case eval::PlanKind::Concat: {
            PieceReach reach = PieceReach::Reads;
            for (const auto& piece : plan.pieces)
                reach = piece ? worst(reach, reachOfPlan(*piece, depth + 1)) : PieceReach::Runs;
            return reach;
        }
        case eval::PlanKind::Embedded: {
            PieceReach reach = PieceReach::Reads;
            for (const auto& part : plan.parts)
                reach =
                    part.plan ? worst(reach, reachOfPlan(*part.plan, depth + 1)) : PieceReach::Runs;
            return reach;
        }
        case eval::PlanKind::Arithmetic: {
            if (!plan.arithmetic) return PieceReach::Runs;
            PieceReach reach = PieceReach::Reads;
            for (const auto& token : plan.arithmetic->tokens)
                if (token.plan) reach = worst(reach, reachOfPlan(*token.plan, depth + 1));
            return reach;
        }
    }
    return PieceReach::Runs;
}

}  // namespace

const std::vector<PieceReach>& FnArgs::reaches() {
    auto& reach = split_->reach;
    if (!reach.empty() || split_->pieces.empty()) return reach;
    std::size_t notLiteral = 0;
    for (std::size_t i = 0; i < split_->pieces.size(); ++i) {
        PieceReach found = PieceReach::Literal;
        if (!split_->pieces[i].empty()) {
            // A piece too deep to analyse is evaluated from its text, which reports it.
            const eval::ArgPlan* plan = planOf(i);
            found = plan ? reachOfPlan(*plan) : PieceReach::Runs;
        }
        if (found != PieceReach::Literal) ++notLiteral;
        reach.push_back(found);
    }
    split_->notLiteral = notLiteral;
    return reach;
}

bool FnArgs::othersRunNoScript(std::size_t i) {
    const std::vector<PieceReach>& reach = reaches();
    for (std::size_t j = 0; j < reach.size(); ++j) {
        if (j == i || reach[j] == PieceReach::Literal || slot(j)) continue;
        std::size_t length = 0;
        if (reach[j] == PieceReach::Runs || !runsNoScript(engine_, *planOf(j), length))
            return false;
    }
    return true;
}

TextView FnArgs::view(std::size_t i) {
    // Near the end of the stack the ordinary evaluation reports it (and the
    // other pieces, evaluated a few calls deeper, must not be the ones to).
    constexpr unsigned long kHeadroomBytes = 64 * 1024;
    if (i >= count_ || slot(i) || stackNearlyExhausted(kHeadroomBytes)) return text(i);
    const std::vector<PieceReach>& reach = reaches();
    if (i >= reach.size() || reach[i] == PieceReach::Runs) return text(i);
    const eval::ArgPlan* plan = split_->plans[i].get();
    if (!plan) return text(i);  // an empty piece
    // A literal is the same text every time, kept by the plan this call holds.
    if (reach[i] == PieceReach::Literal) return plan->constant;
    const xxCmdData* variable = plainVariable(engine_, *plan);
    if (!variable) return text(i);
    // Only this piece is more than a literal: nothing else can change it.
    if (split_->notLiteral > 1 && !othersRunNoScript(i)) return text(i);
    return variable->Value.text();
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
