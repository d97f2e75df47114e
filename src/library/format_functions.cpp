// The formatting functions: 書式 with the format-pattern language, and the
// ready-made percent and currency forms.
#include "core/engine.h"
#include "core/text/number.h"
#include "library/format_pattern.h"
#include "library/function_support.h"
#include "library/handlers.h"

namespace qel {

namespace {

// The number of decimals asked for (the second piece), or the default.
std::optional<int> decimalsArgument(Engine& engine, FnArgs& a, int fallback) {
    if (!a.given(1)) return fallback;
    auto d = toCount(engine, a.number(1));
    if (!d) return std::nullopt;
    if (*d > 30) {
        reportBadNumber(engine, double(*d));
        return std::nullopt;
    }
    return int(*d);
}

// "#,##0" followed by "." and one "0" per decimal.
Text numberPattern(TextView prefix, int decimals, TextView suffix) {
    Text pattern(prefix);
    pattern += u"#,##0";
    if (decimals > 0) {
        pattern += u'.';
        pattern.append(std::size_t(decimals), u'0');
    }
    pattern += suffix;
    return pattern;
}

// The value as a number, or nothing when it is none (the text is then the
// result unchanged, as 書式 does with a value it cannot take).
std::optional<double> numericValue(FnArgs& a) {
    const Text& t = a.text(0);
    if (auto n = number::parse(t)) return n;
    return std::nullopt;
}

}  // namespace

void fnFormat(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    result = formatting::formatValue(a.text(0), a.text(1), calendar::now());
}

void fnPercent(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    auto d = decimalsArgument(engine, a, 2);
    if (!d) return;
    auto n = numericValue(a);
    if (!n) {
        result = a.text(0);
        return;
    }
    result = formatting::formatNumber(*n, numberPattern(u"", *d, u"%"));
}

void fnCurrency(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    auto d = decimalsArgument(engine, a, 0);
    if (!d) return;
    auto n = numericValue(a);
    if (!n) {
        result = a.text(0);
        return;
    }
    // The minus sign goes before the yen sign: -￥1,235.
    result = formatting::formatNumber(*n, numberPattern(u"￥", *d, u""));
}

}  // namespace qel
