// The formatting functions: 書式 with the format-pattern language, and the
// ready-made percent and currency forms.
#include "core/engine.h"
#include "library/registry/function_support.h"
#include "library/strings/format_pattern.h"
#include "library/strings/strings.h"
#include "text/number.h"

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
    result = formatting::formatValue(a.text(0), a.text(1), calendar::now(engine.clock()));
}

namespace {
// パーセント and 通貨形式: a number written with a fixed number of decimals
// (the second argument, else the default) between a prefix and a suffix; a
// text that is not a number comes back as it is.
void formatWithDecimals(Text& result, Text& args, Engine& engine, int defaultDecimals,
                        TextView prefix, TextView suffix) {
    FnArgs a(engine, args, 2);
    auto d = decimalsArgument(engine, a, defaultDecimals);
    if (!d) return;
    auto n = numericValue(a);
    if (!n) {
        result = a.text(0);
        return;
    }
    result = formatting::formatNumber(*n, numberPattern(prefix, *d, suffix));
}
}  // namespace

void fnPercent(Text& result, Text& args, Engine& engine) {
    formatWithDecimals(result, args, engine, 2, u"", u"%");
}

// The minus sign goes before the yen sign: -￥1,235.
void fnCurrency(Text& result, Text& args, Engine& engine) {
    formatWithDecimals(result, args, engine, 0, u"￥", u"");
}

}  // namespace qel
