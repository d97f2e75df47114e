// Conditions: two values and a comparison word or symbol, groups in ［］.

#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "core/evaluator.h"
#include "core/paths.h"
#include "core/pattern_errors.h"
#include "text/brackets.h"
#include "text/number.h"

namespace qel {

using text::npos;

namespace {

struct Suffix {
    TextView word;
    int code;
};
constexpr std::array<Suffix, 5> kTrailingWords{{
    {u"より上", kGreater},
    {u"より下", kLess},
    {u"以上", kGreaterEqual},
    {u"以下", kLessEqual},
    {u"でない", kNotEqual},
}};

constexpr std::array<Suffix, 14> kSymbols{{
    {u"＞＝", kGreaterEqual},
    {u"＜＝", kLessEqual},
    {u"＜＞", kNotEqual},
    {u"！＝", kNotEqual},
    {u"＞", kGreater},
    {u"＜", kLess},
    {u"＝", kEqual},
    {u">=", kGreaterEqual},
    {u"<=", kLessEqual},
    {u"<>", kNotEqual},
    {u"!=", kNotEqual},
    {u">", kGreater},
    {u"<", kLess},
    {u"=", kEqual},
}};

struct Keyword {
    TextView word;
    int code;
};
constexpr std::array<Keyword, 12> kQuotedWords{{
    {u"存在する", kExists},
    {u"大文字", kUpperCase},
    {u"小文字", kLowerCase},
    {u"ひらがな", kHiragana},
    {u"カタカナ", kKatakana},
    {u"半角", kHalfWidth},
    {u"全角", kFullWidth},
    {u"数字", kNumeric},
    {u"文字", kNotNumeric},
    {u"オブジェクト", kObject},
    {u"空", kEmpty},
    {u"ファイル", kFile},
}};

std::size_t findFromSecond(TextView text, TextView needle) {
    return text.empty() ? npos : text::findOutside(text, needle, text::kSyntaxBrackets, 1);
}

bool allCodesIn(TextView text, int low, int high) {
    for (char16_t c : text) {
        int code = text::cp932Code(c);
        if (code < low || code > high) return false;
    }
    return true;
}

bool caseTest(TextView left, bool upper) {
    if (left.empty() || number::readsAsNumber(left)) return false;
    if ((upper ? text::toUpperLatin(left) : text::toLowerLatin(left)) != left) return false;
    return text::toFullWidth(left) != left;  // not entirely full-width
}

}  // namespace

bool Engine::EvalCondition(TextView condition, int comparison, int mode,
                           std::shared_ptr<const void>* prepared) {
    if (condition.find(u'［') == npos) return ParseComparison(condition, comparison, prepared);
    // Top-level ［…］ groups; a text that is one group is judged whole.
    std::vector<TextView> groups;
    int depth = 0;
    std::size_t start = 0;
    bool outsideText = false;
    for (std::size_t i = 0; i < condition.size(); ++i) {
        char16_t c = condition[i];
        if (c == u'［') {
            if (depth++ == 0) start = i + 1;
        } else if (c == u'］' && depth > 0) {
            if (--depth == 0) groups.push_back(condition.substr(start, i - start));
        } else if (depth == 0 && !text::isBlank(c)) {
            outsideText = true;
        }
    }
    if (groups.size() < 2) {
        if (groups.size() == 1 && !outsideText) return ParseComparison(groups[0], comparison);
        return ParseComparison(condition, comparison);
    }
    for (TextView group : groups) {
        bool holds = ParseComparison(group, comparison);
        if (mode == 1 && holds) return true;
        if (mode == 0 && !holds) return false;
    }
    return mode == 0;
}

namespace {

// One comparison taken apart: the texts on both sides of its separator and
// its comparison code; `valid` is false when it has no comparison at all.
struct ComparisonSplit {
    bool valid = false;
    int code = kEqual;
    Text left;
    Text right;
    // The analyses of both sides, when the right side is a plain value (not
    // a quoted word, a range or an either-or), made once with the split.
    bool plainRight = false;
    std::shared_ptr<eval::ArgPlan> leftPlan, rightPlan;
    // The right side as a number, when it is a literal that reads as one.
    std::optional<double> rightNumber;
};

bool compareNumbers(double a, double b, int code) {
    switch (code) {
        case kEqual:
            return a == b;
        case kNotEqual:
            return a != b;
        case kGreater:
            return a > b;
        case kLess:
            return a < b;
        case kGreaterEqual:
            return a >= b;
        default:
            return a <= b;
    }
}

bool isPlainRightSide(TextView rightText) {
    TextView raw = text::trimBlanks(rightText);
    bool quoted = raw.size() >= 2 && raw.front() == u'"' && raw.back() == u'"';
    return !quoted && rightText.find(u" から ") == npos && rightText.find(u" または ") == npos;
}

ComparisonSplit splitComparison(TextView condition, int comparison) {
    ComparisonSplit split;
    TextView t = condition;
    for (const auto& suffix : kTrailingWords) {
        if (text::endsWith(t, suffix.word)) {
            comparison = suffix.code;
            t = text::trimBlanksRight(t.substr(0, t.size() - suffix.word.size()));
            break;
        }
    }
    std::size_t separator = npos;
    std::size_t width = 2;
    for (TextView word :
         {TextView(u"は、"), TextView(u"は "), TextView(u"が "), TextView(u"が、")}) {
        separator = std::min(separator, findFromSecond(t, word));
    }
    if (separator == npos) {
        if (comparison > kNotEqual) return split;
        for (const auto& symbol : kSymbols) {
            std::size_t p = findFromSecond(t, symbol.word);
            if (p != npos) {
                separator = p;
                width = symbol.word.size();
                comparison = symbol.code;
                break;
            }
        }
        if (separator == npos) return split;
    }
    split.valid = true;
    split.code = comparison;
    split.left = Text(t.substr(0, separator));
    split.right = Text(t.substr(separator + width));
    return split;
}

}  // namespace

// Conditions in loops are taken apart once per distinct text (and starting
// code); only their two sides are evaluated again.
bool Engine::ParseComparison(TextView condition, int comparison,
                             std::shared_ptr<const void>* prepared) {
    // One cache per starting code (conditions start from 0, or 1 after a
    // cut でない), so the look-up needs no key of its own.
    auto& cache = caches().comparisons[comparison == kNotEqual ? 1 : comparison == kEqual ? 0 : 2];
    auto prepare = [&] {
        auto split = std::make_shared<ComparisonSplit>(splitComparison(condition, comparison));
        if (split->valid && isPlainRightSide(split->right)) {
            split->leftPlan = tryPlanFor(split->left);
            split->rightPlan = tryPlanFor(split->right);
            // A side that cannot be analysed takes the general way, which
            // reports why.
            split->plainRight = split->leftPlan && split->rightPlan;
            if (split->plainRight && split->rightPlan->kind == eval::PlanKind::Constant &&
                !split->rightPlan->constant.empty()) {
                split->rightNumber = number::parse(split->rightPlan->constant);
            }
        }
        return split;
    };
    // Held for the whole comparison: evaluating a side may run script code
    // that empties the cache.
    std::shared_ptr<const void> keep;
    const void* found = nullptr;
    if (prepared && *prepared) {
        // The statement that keeps it outlives this call: no count needed.
        found = prepared->get();
    } else if (comparison == kEqual || comparison == kNotEqual) {
        auto it = cache.find(condition);
        if (it == cache.end()) {
            if (cache.size() >= 100000) cache.clear();
            it = cache.emplace(Text(condition), prepare()).first;
        }
        keep = it->second;
    } else {
        keep = prepare();
    }
    if (!found) {
        found = keep.get();
        if (prepared) *prepared = keep;
    }
    const auto& split = *static_cast<const ComparisonSplit*>(found);
    if (!split.valid) {
        Report(ErrorId::ConditionUnreadable);
        return false;
    }
    if (split.plainRight) {
        // A variable holding a number against a literal number: both texts
        // read as numbers, so the comparison is the numbers' (what the text
        // rules below come to), without writing the variable out.
        if (split.rightNumber && split.code <= kLessEqual) {
            const eval::ArgPlan& left = *split.leftPlan;
            double a = 0;
            if (left.kind == eval::PlanKind::Name && !left.hasArgumentBracket &&
                !left.name.empty()) {
                const xxCmdData* variable = FindVariable(left.name, left.lookup);
                if (variable && variable->Value.readsAsNumber(a)) {
                    return compareNumbers(a, *split.rightNumber, split.code);
                }
            }
        }
        Text left = EvalPlanned(*split.leftPlan, split.left);
        Text right = EvalPlanned(*split.rightPlan, split.right);
        return judgeComparison(left, std::move(right), {}, {}, split.code, false);
    }
    Text left = EvalText(split.left);
    return CompareValues(left, split.right, split.code);
}

std::unique_ptr<NumberComparison> compileNumberComparison(Engine& engine, TextView condition) {
    // The same taking apart as ParseComparison's, and the same case as its
    // shortcut for a variable against a literal number.
    ComparisonSplit split = splitComparison(condition, kEqual);
    if (!split.valid || split.code > kLessEqual || !isPlainRightSide(split.right)) return nullptr;
    std::shared_ptr<eval::ArgPlan> left = engine.tryPlanFor(split.left);
    std::shared_ptr<eval::ArgPlan> right = engine.tryPlanFor(split.right);
    if (!left || !right || right->kind != eval::PlanKind::Constant || right->constant.empty())
        return nullptr;
    if (left->kind != eval::PlanKind::Name || left->hasArgumentBracket || left->name.empty())
        return nullptr;
    std::optional<double> number = number::parse(right->constant);
    if (!number) return nullptr;
    return std::make_unique<NumberComparison>(left->name, *number, split.code);
}

bool NumberComparison::test(Engine& engine, bool& holds) const {
    const xxCmdData* variable = engine.FindVariable(name_, lookup_);
    double value = 0;
    if (!variable || !variable->Value.readsAsNumber(value)) return false;
    holds = compareNumbers(value, right_, code_);
    return true;
}

bool NumberComparison::holdsFor(double value) const {
    return compareNumbers(value, right_, code_);
}

bool Engine::CompareValues(TextView left, TextView rightText, int code) {
    TextView raw = text::trimBlanks(rightText);
    bool quoted = raw.size() >= 2 && raw.front() == u'"' && raw.back() == u'"';
    Text right;
    Text low, high;
    if (quoted) {
        right = Text(raw.substr(1, raw.size() - 2));
        code = kPattern;
        for (const auto& keyword : kQuotedWords) {
            if (right == keyword.word) code = keyword.code;
        }
        if (right == u"フォルダ") code = kNotFile;
    } else if (std::size_t p = rightText.find(u" から "); p != npos) {
        low = EvalText(rightText.substr(0, p));
        high = EvalText(rightText.substr(p + 4));
        code = kRange;
    } else if (std::size_t q = rightText.find(u" または "); q != npos) {
        low = EvalText(rightText.substr(0, q));
        high = EvalText(rightText.substr(q + 5));
        code = kEither;
    } else {
        right = EvalText(rightText);
    }
    return judgeComparison(left, std::move(right), std::move(low), std::move(high), code, quoted);
}

bool Engine::judgeComparison(TextView left, Text right, Text low, Text high, int code,
                             bool quoted) {
    // Two short numbers compare as the numbers they are: a text of at most 15
    // characters holds at most 15 digits, so writing it out and reading it
    // back (what the general rule below does) gives the same number.
    if (!quoted && code <= kLessEqual) {
        auto shortNumber = [](TextView v) -> std::optional<double> {
            if (v.empty()) return 0.0;
            if (v.size() > 15) return std::nullopt;
            auto n = number::parse(v);
            return n && std::isfinite(*n) ? n : std::nullopt;
        };
        auto a = shortNumber(left), b = shortNumber(right);
        if (a && b) return compareNumbers(*a, *b, code);
    }

    auto numericOrEmpty = [](TextView v) { return v.empty() || number::readsAsNumber(v); };
    // An empty value counts as 0 in an order, as it does in equality (two
    // empty values are equal, so they were not converted above).
    auto orderValue = [](TextView v) -> std::optional<double> {
        return v.empty() ? std::optional<double>(0) : number::parse(v);
    };
    Text l(left);
    if (code == kRange || code == kEither) {
        if (numericOrEmpty(l) && numericOrEmpty(low) && numericOrEmpty(high)) {
            l = number::format(number::toNumber(l));
            low = number::format(number::toNumber(low));
            high = number::format(number::toNumber(high));
        }
    } else if (!quoted && numericOrEmpty(l) && numericOrEmpty(right) && l != right) {
        l = number::format(number::toNumber(l));
        right = number::format(number::toNumber(right));
    }

    switch (code) {
        case kEqual:
            return l == right;
        case kNotEqual:
            return l != right;
        case kGreater:
        case kLess:
        case kGreaterEqual:
        case kLessEqual: {
            auto a = orderValue(l), b = orderValue(right);
            if (!a || !b) {
                // An order needs two numbers; saying so beats a silent guess.
                Report(ErrorId::ConditionUnreadable);
                return false;
            }
            if (code == kGreater) return *a > *b;
            if (code == kLess) return *a < *b;
            if (code == kGreaterEqual) return *a >= *b;
            return *a <= *b;
        }
        case kRange: {
            auto a = orderValue(l), lo = orderValue(low), hi = orderValue(high);
            if (!a || !lo || !hi) {
                Report(ErrorId::ConditionUnreadable);
                return false;
            }
            return *lo <= *a && *a <= *hi;
        }
        case kEither:
            return l == low || l == high;
        case kExists:
            return files().fileExists(toNativePath(l)) || files().folderExists(toNativePath(l));
        case kFile:
            return files().fileExists(toNativePath(l)) && !files().folderExists(toNativePath(l));
        case kNotFile:
            return !(files().fileExists(toNativePath(l)) && !files().folderExists(toNativePath(l)));
        case kUpperCase:
            return caseTest(l, true);
        case kLowerCase:
            return caseTest(l, false);
        case kHiragana:
            return allCodesIn(l, 0x829F, 0x82F1);
        case kKatakana:
            return allCodesIn(l, 0x8340, 0x8396);
        case kHalfWidth:
            return !l.empty() && text::toHalfWidth(l) == l;
        case kFullWidth:
            return !l.empty() && text::toFullWidth(l) == l;
        case kNumeric:
            return !l.empty() && number::readsAsNumber(l);
        case kNotNumeric:
            return !number::readsAsNumber(l);
        case kEmpty:
            return l.empty();
        case kObject:
            return library.objectExists(l, *this);
        case kPattern: {
            bool notFound = false;
            Text pattern = GetVariable(right, notFound);
            return patternMatches(notFound ? right : pattern, l);
        }
        default:
            return false;
    }
}

// A regular-expression test, case ignored, matching anywhere. Patterns are
// compiled once and kept.
bool Engine::patternMatches(TextView pattern, TextView subject) {
    const text::Pattern* compiled = caches().patterns.get(pattern);
    if (!compiled) {
        PatternFailed(*this, text::PatternStatus::kMalformed, pattern);
        return false;
    }
    bool found = false;
    return !PatternFailed(*this, compiled->search(subject, found), pattern) && found;
}

}  // namespace qel
