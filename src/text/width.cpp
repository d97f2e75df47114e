// Full-width <-> half-width and hiragana <-> katakana, as the Japanese system
// converter does them.
//
// ASCII pairs with its full-width form (U+FF01-U+FF5E) and the blank with the
// ideographic blank, except where code page 932 pairs a single-byte character
// with another double-byte character: the full-width partner of a single-byte
// code is the double-byte code showing the same glyph wide. 0x5C shows as a yen
// sign and 0x7E as an overline, so they widen to "￥" and "￣"; the quotes and
// the grave accent widen to the typographic quotes "’", "”" and "‘", which is
// what the code page's row 1 holds. Narrowing accepts both the code page's
// partner and the Unicode full-width form, so every character that widens
// narrows back to where it came from.
#include <array>
#include <cstdint>

#include "text/text.h"

namespace qel::text {
namespace {

constexpr char16_t kHalfKanaFirst = u'\uFF61';  // ｡
constexpr char16_t kHalfKanaLast = u'\uFF9F';   // ﾟ
constexpr char16_t kHalfVoiced = u'\uFF9E';     // ﾞ
constexpr char16_t kHalfSemiVoiced = u'\uFF9F';
constexpr char16_t kKatakanaU = u'ウ';
constexpr char16_t kKatakanaVu = u'ヴ';

// Full-width forms of U+FF61-U+FF9F, in order.
constexpr char16_t kWideKana[] =
    u"。「」、・ヲァィゥェォャュョッー"
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン"
    u"゛゜";
static_assert(sizeof(kWideKana) / sizeof(char16_t) - 1 == kHalfKanaLast - kHalfKanaFirst + 1);

// The plain kana of カ-ト take the voiced mark as the next code (the small ッ
// sits inside that range but takes none); ハ-ホ take the voiced mark as +1 and
// the semi-voiced mark as +2.
constexpr bool takesVoicedMark(char16_t c) {
    return (c >= u'カ' && c <= u'ト' && c != u'ッ') || (c >= u'ハ' && c <= u'ホ');
}
constexpr bool takesSemiVoicedMark(char16_t c) {
    return c >= u'ハ' && c <= u'ホ';
}

struct HalfForm {
    char16_t base = 0;  // 0: no half-width form
    char16_t mark = 0;  // ﾞ or ﾟ when the character splits in two
};

// Half-width forms of U+3000-U+30FF.
constexpr std::array<HalfForm, 0x100> kNarrowKana = [] {
    std::array<HalfForm, 0x100> table{};
    for (char16_t i = 0; i <= kHalfKanaLast - kHalfKanaFirst; ++i) {
        const char16_t wide = kWideKana[i];
        const char16_t half = char16_t(kHalfKanaFirst + i);
        table[wide - 0x3000] = {half, 0};
        if (takesVoicedMark(wide)) table[wide + 1 - 0x3000] = {half, kHalfVoiced};
        if (takesSemiVoicedMark(wide)) table[wide + 2 - 0x3000] = {half, kHalfSemiVoiced};
    }
    table[kKatakanaVu - 0x3000] = {char16_t(u'ｳ'), kHalfVoiced};
    return table;
}();

static_assert(kNarrowKana[u'ガ' - 0x3000].base == u'ｶ' && kNarrowKana[u'ガ' - 0x3000].mark == u'ﾞ');
static_assert(kNarrowKana[u'ポ' - 0x3000].base == u'ﾎ' && kNarrowKana[u'ポ' - 0x3000].mark == u'ﾟ');
static_assert(kNarrowKana[u'ヅ' - 0x3000].base == u'ﾂ' && kNarrowKana[u'ッ' - 0x3000].mark == 0);

char16_t narrowSingle(char16_t c) {
    switch (c) {
        case u'\u3000':
            return u' ';
        case u'\uFFE5':
            return u'\\';  // ￥
        case u'\uFFE3':
            return u'~';  // ￣
        case u'\u2019':
            return u'\'';
        case u'\u201D':
            return u'"';
        case u'\u2018':
            return u'`';
        default:
            break;
    }
    if (c >= u'\uFF01' && c <= u'\uFF5E') return char16_t(c - 0xFEE0);
    return 0;
}

char16_t widenAscii(char16_t c) {
    switch (c) {
        case u' ':
            return u'\u3000';
        case u'\\':
            return u'\uFFE5';
        case u'~':
            return u'\uFFE3';
        case u'\'':
            return u'\u2019';
        case u'"':
            return u'\u201D';
        case u'`':
            return u'\u2018';
        default:
            return char16_t(c + 0xFEE0);
    }
}

}  // namespace

namespace {
// Writes the narrow form of `c` at `out` (one or two characters); gives the
// position after it.
char16_t* narrowInto(char16_t* out, char16_t c) {
    if (c < 0x80) {
        *out++ = c;
    } else if (c >= 0x3000 && c <= 0x30FF && kNarrowKana[c - 0x3000].base) {
        const HalfForm& half = kNarrowKana[c - 0x3000];
        *out++ = half.base;
        if (half.mark) *out++ = half.mark;
    } else if (const char16_t narrow = narrowSingle(c)) {
        *out++ = narrow;
    } else {
        *out++ = c;
    }
    return out;
}
}  // namespace

Text toHalfWidth(TextView text) {
    // Object and property names are narrowed on every access: short texts
    // are built on the stack and copied once.
    constexpr std::size_t kShort = 16;
    if (text.size() <= kShort) {
        char16_t buffer[2 * kShort];
        char16_t* end = buffer;
        for (const char16_t c : text) end = narrowInto(end, c);
        return Text(buffer, std::size_t(end - buffer));
    }
    Text out;
    out.reserve(text.size() + text.size() / 4);
    for (const char16_t c : text) {
        char16_t narrow[2];
        out.append(narrow, narrowInto(narrow, c));
    }
    return out;
}

Text toFullWidth(TextView text) {
    Text out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c >= 0x20 && c <= 0x7E) {
            out.push_back(widenAscii(c));
        } else if (c >= kHalfKanaFirst && c <= kHalfKanaLast) {
            char16_t wide = kWideKana[c - kHalfKanaFirst];
            const char16_t next = i + 1 < n ? text[i + 1] : 0;
            if (next == kHalfVoiced && wide == kKatakanaU) {
                wide = kKatakanaVu;
                ++i;
            } else if (next == kHalfVoiced && takesVoicedMark(wide)) {
                wide += 1;
                ++i;
            } else if (next == kHalfSemiVoiced && takesSemiVoicedMark(wide)) {
                wide += 2;
                ++i;
            }
            out.push_back(wide);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// ァ-ヶ and ぁ-ゖ are the same distance apart throughout, as are ヽヾ and ゝゞ;
// ヷ-ヺ have no hiragana and stay.
Text toHiragana(TextView text) {
    Text out(text);
    for (char16_t& c : out) {
        if ((c >= u'ァ' && c <= u'ヶ') || c == u'ヽ' || c == u'ヾ') c -= 0x60;
    }
    return out;
}

Text toKatakana(TextView text) {
    Text out(text);
    for (char16_t& c : out) {
        if ((c >= u'ぁ' && c <= u'ゖ') || c == u'ゝ' || c == u'ゞ') c += 0x60;
    }
    return out;
}

}  // namespace qel::text
