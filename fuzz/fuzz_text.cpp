// The text module on arbitrary input: decoders must never read past their
// input, and the conversions must keep the round-trip properties the rest of
// the runtime relies on (a name folded twice is the same key, a file read,
// written and read again gives the same text, a number printed and read back
// prints the same). A broken property aborts, so libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/brackets.h"
#include "text/number.h"
#include "text/text.h"

namespace {

using qel::Text;
using qel::TextView;
namespace text = qel::text;
namespace number = qel::number;

void require(bool holds) {
    if (!holds) std::abort();
}

void utf8Properties(std::string_view bytes) {
    Text decoded = text::fromUtf8(bytes);
    require(decoded.size() <= bytes.size());
    std::string encoded = text::toUtf8(decoded);
    require(text::isValidUtf8(encoded));
    if (text::isValidUtf8(bytes)) require(encoded == bytes);
    require(text::fromUtf8(encoded) == decoded);
}

void cp932Properties(std::string_view bytes) {
    Text decoded = text::fromCp932(bytes);
    require(decoded.size() <= bytes.size());
    std::string encoded = text::toCp932(decoded);
    require(text::cp932Length(decoded) == encoded.size());
    // Code page 932 has duplicate codes (NEC and IBM rows), so the bytes may
    // change; the text they stand for may not.
    require(text::fromCp932(encoded) == decoded);
}

void fileProperties(std::string_view bytes) {
    Text script = text::normaliseLineEnds(text::decodeFileBytes(bytes));
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] == qel::kCR) require(i + 1 < script.size() && script[i + 1] == qel::kLF);
        if (script[i] == qel::kLF) require(i > 0 && script[i - 1] == qel::kCR);
    }
    require(text::normaliseLineEnds(script) == script);
}

// Arbitrary UTF-16, unpaired surrogates included.
void textProperties(TextView t) {
    // UTF-8 has no form for an unpaired surrogate: it comes back as U+FFFD,
    // everything else exactly.
    std::string utf8 = text::toUtf8(t);
    require(text::isValidUtf8(utf8));
    Text expected(t);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        char16_t c = expected[i];
        bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < expected.size() && expected[i + 1] >= 0xDC00 &&
            expected[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            expected[i] = u'\uFFFD';
        }
    }
    require(text::fromUtf8(utf8) == expected);

    for (Text (*convert)(TextView) :
         {&text::toHalfWidth, &text::toFullWidth, &text::toHiragana, &text::toKatakana}) {
        Text once = convert(t);
        require(convert(once) == once);
    }
    require(text::toHalfWidth(t).size() >= text::toFullWidth(text::toHalfWidth(t)).size());

    Text upper = text::toUpperAscii(t);
    require(text::foldKey(upper) == text::foldKey(t));
    require(text::equalsFolded(upper, t));
    require(text::foldKey(text::foldKey(t)) == text::foldKey(t));

    std::string cp932 = text::toCp932(t);
    require(text::cp932Length(t) == cp932.size());
    for (std::size_t i = 0; i < t.size() && i < 64; ++i) {
        int code = text::cp932Code(t[i]);
        require(code >= -1 && code <= 0xFCFC);
    }

    for (const auto* pairs :
         {&text::kCommentBrackets, &text::kSyntaxBrackets, &text::kQuoteBrackets,
          &text::kConcatBrackets, &text::kArithmeticBrackets, &text::kArgumentBrackets,
          &text::kParentheses}) {
        for (TextView needle :
             {TextView(u"、"), TextView(u"を"), TextView(u"。"), TextView(u"＆")}) {
            std::size_t first = text::findOutside(t, needle, *pairs);
            require(first == text::npos ||
                    (first < t.size() && t.substr(first, needle.size()) == needle));
            std::size_t last = text::findLastOutside(t, needle, *pairs);
            require(last == text::npos ||
                    (last < t.size() && t.substr(last, needle.size()) == needle));
            require((first == text::npos) == (last == text::npos));
            if (first != text::npos) require(first <= last);
        }
        for (std::size_t pos = 0; pos < t.size() && pos < 16; ++pos)
            (void)text::isInsideBrackets(t, pos, *pairs);
    }

    if (auto value = number::parse(t)) {
        Text printed = number::format(*value);
        auto again = number::parse(printed);
        require(again.has_value());
        require(number::format(*again) == printed);
    }
    Text lenient = number::format(number::toNumber(t));
    require(number::readsAsNumber(lenient));
    (void)number::leadingNumber(t);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    utf8Properties(bytes);
    cp932Properties(bytes);
    fileProperties(bytes);
    textProperties(text::fromUtf8(bytes));
    Text units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    }
    textProperties(units);
    return 0;
}
