// UTF-8 <-> UTF-16. The decoder is strict: overlong forms, surrogates and
// values above U+10FFFF are errors, and every byte that does not belong to a
// well-formed sequence becomes one U+FFFD.
#include <cstdint>

#include "text/text.h"

namespace qel::text {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

// Decodes the sequence at p (avail > 0 bytes left). Returns its length and
// sets cp, or returns 0 when the bytes there do not start a well-formed
// sequence.
int decodeOne(const unsigned char* p, std::size_t avail, char32_t& cp) {
    const unsigned b0 = p[0];
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    int length;
    unsigned low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) low = 0xA0;   // overlong
        if (b0 == 0xED) high = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        cp = b0 & 0x07;
        if (b0 == 0xF0) low = 0x90;   // overlong
        if (b0 == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;  // continuation byte, C0, C1, F5-FF
    }
    if (avail < std::size_t(length)) return 0;
    if (p[1] < low || p[1] > high) return 0;
    cp = (cp << 6) | (p[1] & 0x3F);
    for (int k = 2; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    return length;
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

Text fromUtf8(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            out.push_back(char16_t(p[i++]));
            continue;
        }
        char32_t cp;
        const int length = decodeOne(p + i, n - i, cp);
        if (length == 0) {
            out.push_back(kReplacement);
            ++i;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
            i += length;
        } else {
            out.push_back(char16_t(cp));
            i += length;
        }
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp;
        const int length = decodeOne(p + i, n - i, cp);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string toUtf8(TextView text) {
    const std::size_t n = text.size();
    // Size first, so the output is allocated once.
    std::size_t size = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            size += 1;
        } else if (c < 0x800) {
            size += 2;
        } else if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(text[i + 1])) {
            size += 4;
            ++i;
        } else {
            size += 3;  // including U+FFFD for an unpaired surrogate
        }
    }
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            out.push_back(char(c));
            continue;
        }
        if (isHighSurrogate(char16_t(c)) && i + 1 < n && isLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        }
        out.push_back(char(0x80 | (c & 0x3F)));
    }
    return out;
}

}  // namespace qel::text
