// Colour texts: names of the colour table, the basic and system colour
// numbers, &h with eight digits (the value itself) or six (red, green, blue
// as on the web), and # with a decimal value.
#include "core/engine.h"
#include "text/number.h"
#include "ui/properties.h"

namespace qel::ui {

namespace {

constexpr int kColourTable = 206;

// The classic 16-colour palette: the dark eight at 128 per component (light
// grey at 192), the light eight at 255.
constexpr std::uint32_t kBasicColours[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
};

bool allHex(TextView digits) {
    for (char16_t c : digits) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    }
    return true;
}

std::uint32_t hexValue(TextView digits) {
    std::uint32_t v = 0;
    for (char16_t c : digits) {
        v = v * 16 + std::uint32_t(c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10);
    }
    return v;
}

std::optional<std::uint32_t> numberedColour(Engine& engine, double n) {
    if (n >= 0 && n <= 15 && n == std::floor(n)) return fromRgb(basicColourRgb(int(n)));
    if (n >= 16 && n <= 22 && n == std::floor(n)) {
        if (!engine.platform.widgets) return std::nullopt;
        return fromRgb(engine.platform.widgets->systemColour(int(n)));
    }
    // Any other whole number is a colour value as it is.
    if (n >= 0 && n <= 4294967295.0) return std::uint32_t(n);
    return std::nullopt;
}

std::optional<std::uint32_t> literalColour(Engine& engine, TextView t) {
    if (t.size() >= 2 && t[0] == u'&' && (t[1] == u'h' || t[1] == u'H')) {
        TextView digits = t.substr(2);
        if (!allHex(digits)) return std::nullopt;
        if (digits.size() == 8) return hexValue(digits);
        if (digits.size() == 6) return fromRgb(hexValue(digits));
        // Other lengths are hexadecimal numbers like any other.
    }
    if (!t.empty() && t[0] == u'#') {
        auto n = number::parse(t.substr(1));
        if (!n || *n < 0 || *n > 4294967295.0) return std::nullopt;
        return std::uint32_t(*n);
    }
    if (auto n = number::parse(t)) return numberedColour(engine, *n);
    return std::nullopt;
}

}  // namespace

std::uint32_t basicColourRgb(int n) {
    return n >= 0 && n < 16 ? kBasicColours[n] : 0;
}

std::uint32_t toRgb(std::uint32_t colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

std::uint32_t fromRgb(std::uint32_t rgb) {
    return toRgb(rgb);  // swapping red and blue is its own inverse
}

std::optional<std::uint32_t> ColourValue(Engine& engine, TextView written) {
    Text evaluated = engine.EvalText(written);
    Text t = text::toHalfWidth(text::trimBlanks(evaluated));
    if (t.empty()) return std::nullopt;
    if (auto literal = literalColour(engine, t)) return literal;
    // A name of the table, also with 色 or いろ after it (赤色, あかいろ).
    Text name(text::trimBlanks(evaluated));
    Text value = engine.resourceLookup(kColourTable, name);
    if (value.empty()) {
        for (TextView ending : {TextView(u"いろ"), TextView(u"色")}) {
            if (name.size() > ending.size() && text::endsWith(name, ending)) {
                value = engine.resourceLookup(
                    kColourTable, TextView(name).substr(0, name.size() - ending.size()));
                break;
            }
        }
    }
    if (value.empty()) return std::nullopt;
    return literalColour(engine, value);
}

}  // namespace qel::ui
