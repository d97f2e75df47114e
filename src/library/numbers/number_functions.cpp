// The number functions: rounding, trigonometry, logarithms, bit operations,
// random numbers, radix conversion and colour numbers.
#include <cmath>
#include <cstdint>

#include "core/engine.h"
#include "library/numbers/numbers.h"
#include "library/registry/function_support.h"
#include "text/number.h"

namespace qel {

namespace {

constexpr double kPi = 3.14159265358979323846;

// x scaled by 10^d with the binary noise of the product removed: 1.26 × 100
// is 125.99999999999999 in doubles, and rounding must see 126.
double scaled(double x, int64_t d) {
    double product = x * std::pow(10.0, double(d));
    if (!std::isfinite(product)) throw NumericOverflow{};
    return number::parse(number::format(product)).value_or(product);
}

double unscaled(double x, int64_t d) {
    return x / std::pow(10.0, double(d));
}

// A whole number of 32 bits for the bit operations.
int32_t toBits(double value) {
    return static_cast<int32_t>(toInt32(value));
}

// The two integers of a bit operation, "a,b" or "aとb".
void bitArgs(Text& args, Engine& engine, int32_t& a, int32_t& b) {
    FnArgs f(engine, args, 2);
    if (f.written() < 2) {
        std::size_t to = args.find(u'と');
        if (to != Text::npos) {
            Text both = args.substr(0, to) + u"," + args.substr(to + 1);
            FnArgs g(engine, both, 2);
            a = toBits(g.number(0));
            b = toBits(g.number(1));
            return;
        }
    }
    a = toBits(f.number(0));
    b = toBits(f.number(1));
}

// The hue-to-component step of the HLS model on the 0-240 scale.
double hueToRgb(double n1, double n2, double hue) {
    if (hue < 0) hue += 240;
    if (hue > 240) hue -= 240;
    if (hue < 40) return n1 + (n2 - n1) * hue / 40;
    if (hue < 120) return n2;
    if (hue < 160) return n1 + (n2 - n1) * (160 - hue) / 40;
    return n1;
}

int colourComponent(double value) {
    if (!std::isfinite(value)) throw NumericOverflow{};
    return int(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

// ---- rounding ------------------------------------------------------------------------

void fnTruncate(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    double x = a.number(0);
    int64_t d = toInt32(a.number(1));
    result = numberResult(d == 0 ? std::trunc(x) : unscaled(std::trunc(scaled(x, d)), d));
}

void fnRound(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    double x = a.number(0);
    int64_t d = toInt32(a.number(1));
    // d names the decimal place at which rounding happens: 2 keeps one.
    if (d > 0) --d;
    double h = x >= 0 ? 0.5 : -0.5;
    result = numberResult(d == 0 ? std::trunc(scaled(x, 0) + h)
                                 : unscaled(std::trunc(scaled(x, d) + h), d));
}

void fnCeiling(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 2);
    double x = a.number(0);
    int64_t d = toInt32(a.number(1));
    // The next whole step up (toward plus infinity); 1.05 goes to 2.
    result = numberResult(d == 0 ? std::ceil(scaled(x, 0)) : unscaled(std::ceil(scaled(x, d)), d));
}

void fnFloor(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = numberResult(std::floor(a.number(0)));
}

void fnAbs(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = numberResult(std::fabs(a.number(0)));
}

// ---- powers, roots, logarithms ----------------------------------------------------------

void fnSqrt(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double x = a.number(0);
    if (x < 0) return reportBadNumber(engine, x);
    result = numberResult(std::sqrt(x));
}

void fnExp(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = numberResult(std::exp(a.number(0)));
}

void fnLog(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double x = a.number(0);
    if (x <= 0) return reportBadNumber(engine, x);
    result = numberResult(std::log(x));
}

// ---- trigonometry -------------------------------------------------------------------------
// The angle of サイン, コサイン and タンジェント is in degrees (their particle
// is 度); the inverse functions answer in radians, which ラジアン converts to.

void fnSin(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double deg = std::fmod(a.number(0), 360.0);
    // Whole multiples of 180 degrees give an exact zero.
    result = numberResult(std::fmod(deg, 180.0) == 0 ? 0.0 : std::sin(deg * kPi / 180));
}

void fnCos(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double deg = std::fmod(a.number(0), 360.0);
    result = numberResult(std::fmod(deg - 90, 180.0) == 0 ? 0.0 : std::cos(deg * kPi / 180));
}

void fnTan(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double x = a.number(0);
    double deg = std::fmod(x, 180.0);
    // Where the tangent has no value there is no number to give.
    if (std::fmod(deg - 90, 180.0) == 0) return reportBadNumber(engine, x);
    result = numberResult(deg == 0 ? 0.0 : std::tan(deg * kPi / 180));
}

void fnAtan(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = numberResult(std::atan(a.number(0)));
}

void fnAsin(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double x = a.number(0);
    if (x < -1 || x > 1) return reportBadNumber(engine, x);
    result = numberResult(std::asin(x));
}

void fnAcos(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double x = a.number(0);
    if (x < -1 || x > 1) return reportBadNumber(engine, x);
    result = numberResult(std::acos(x));
}

void fnRadians(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    result = numberResult(a.number(0) * kPi / 180);
}

void fnPi(Text& result, Text&, Engine&) {
    result = number::format(kPi);
}

// ---- random numbers -------------------------------------------------------------------

void fnRandom(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double n = a.number(0);
    double r = engine.random().nextUnit();
    result = numberResult(std::floor(r * (n + 1)));
}

// ---- bit operations ----------------------------------------------------------------------

void fnBitOr(Text& result, Text& args, Engine& engine) {
    int32_t a = 0, b = 0;
    bitArgs(args, engine, a, b);
    result = number::format(double(a | b));
}
void fnBitImp(Text& result, Text& args, Engine& engine) {
    int32_t a = 0, b = 0;
    bitArgs(args, engine, a, b);
    result = number::format(double(~a | b));
}
void fnBitXor(Text& result, Text& args, Engine& engine) {
    int32_t a = 0, b = 0;
    bitArgs(args, engine, a, b);
    result = number::format(double(a ^ b));
}
void fnBitEqv(Text& result, Text& args, Engine& engine) {
    int32_t a = 0, b = 0;
    bitArgs(args, engine, a, b);
    result = number::format(double(~(a ^ b)));
}
void fnBitAnd(Text& result, Text& args, Engine& engine) {
    int32_t a = 0, b = 0;
    bitArgs(args, engine, a, b);
    result = number::format(double(a & b));
}

// ---- radix ------------------------------------------------------------------------------

void fnFromHex(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    Text t = text::toHalfWidth(text::trimBlanks(a.text(0)));
    TextView digits = t;
    if (digits.size() >= 2 && digits[0] == u'&' && (digits[1] == u'h' || digits[1] == u'H'))
        digits.remove_prefix(2);
    if (digits.empty()) return;
    uint64_t value = 0;
    for (char16_t c : digits) {
        int d = (c >= u'0' && c <= u'9')   ? c - u'0'
                : (c >= u'a' && c <= u'f') ? c - u'a' + 10
                : (c >= u'A' && c <= u'F') ? c - u'A' + 10
                                           : -1;
        if (d < 0) {
            engine.Report(ErrorId::BadNumber, t);
            return;
        }
        // Past 2^53 the value no longer has an exact number.
        if (value > (uint64_t(1) << 53) >> 4) throw NumericOverflow{};
        value = value * 16 + uint64_t(d);
    }
    if (value > (uint64_t(1) << 53)) throw NumericOverflow{};
    result = number::format(double(value));
}

void fnToHex(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 1);
    double x = std::nearbyint(a.number(0));
    if (!std::isfinite(x) || x > 9007199254740992.0 || x < -2147483648.0) throw NumericOverflow{};
    // Negative numbers are written as their 32-bit two's complement.
    uint64_t value = x < 0 ? uint64_t(uint32_t(int32_t(x))) : uint64_t(x);
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    Text reversed;
    do {
        reversed += kHex[value & 0xF];
        value >>= 4;
    } while (value);
    result.assign(reversed.rbegin(), reversed.rend());
}

// ---- colours ------------------------------------------------------------------------------

void fnRgb(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    // Each component is held to 0-255 so it cannot spill into its neighbour.
    int r = colourComponent(a.number(0)), g = colourComponent(a.number(1)),
        b = colourComponent(a.number(2));
    result = number::format(double(r + 256 * g + 65536 * b));
}

void fnHls(Text& result, Text& args, Engine& engine) {
    FnArgs a(engine, args, 3);
    // Hue, lightness and saturation on the 0-240 scale of the colour dialog.
    double h = std::clamp(a.number(0), 0.0, 240.0);
    double l = std::clamp(a.number(1), 0.0, 240.0);
    double s = std::clamp(a.number(2), 0.0, 240.0);
    int r, g, b;
    if (s == 0) {
        r = g = b = colourComponent(l * 255 / 240);
    } else {
        double m2 = l <= 120 ? l * (240 + s) / 240 : l + s - l * s / 240;
        double m1 = 2 * l - m2;
        r = colourComponent(hueToRgb(m1, m2, h + 80) * 255 / 240);
        g = colourComponent(hueToRgb(m1, m2, h) * 255 / 240);
        b = colourComponent(hueToRgb(m1, m2, h - 80) * 255 / 240);
    }
    result = number::format(double(r + 256 * g + 65536 * b));
}

}  // namespace qel
