// Case folding, splitting and joining, file decoding, line ends and the small
// helpers.
#include "text/text.h"

#include <algorithm>

namespace qel::text {

// ---- ASCII case --------------------------------------------------------------

namespace {

template <class String, class View, class Change>
String changed(View text, Change change) {
    String out(text);
    for (auto& c : out) c = change(c);
    return out;
}

template <class View>
bool sameFolded(View a, View b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

// The full-width letters are 32 apart too.
char16_t upperLatin(char16_t c) {
    return c >= u'ａ' && c <= u'ｚ' ? char16_t(c - 32) : upperAscii(c);
}

char16_t lowerLatin(char16_t c) {
    return c >= u'Ａ' && c <= u'Ｚ' ? char16_t(c + 32) : foldAscii(c);
}

}  // namespace

Text toUpperAscii(TextView text) {
    return changed<Text>(text, [](char16_t c) { return upperAscii(c); });
}

Text toLowerAscii(TextView text) {
    return changed<Text>(text, [](char16_t c) { return foldAscii(c); });
}

std::string toUpperAscii(std::string_view text) {
    return changed<std::string>(text, [](char c) { return upperAscii(c); });
}

std::string toLowerAscii(std::string_view text) {
    return changed<std::string>(text, [](char c) { return foldAscii(c); });
}

Text foldKey(TextView text) {
    return toLowerAscii(text);
}

bool equalsFolded(TextView a, TextView b) {
    return sameFolded(a, b);
}

bool equalsFolded(std::string_view a, std::string_view b) {
    return sameFolded(a, b);
}

bool startsWithFolded(TextView text, TextView prefix) {
    return text.size() >= prefix.size() && sameFolded(text.substr(0, prefix.size()), prefix);
}

bool endsWithFolded(TextView text, TextView suffix) {
    return text.size() >= suffix.size() &&
           sameFolded(text.substr(text.size() - suffix.size()), suffix);
}

Text toUpperLatin(TextView text) {
    return changed<Text>(text, upperLatin);
}

Text toLowerLatin(TextView text) {
    return changed<Text>(text, lowerLatin);
}

// ---- Splitting and joining -------------------------------------------------

namespace {

template <class Piece, class Char>
std::vector<Piece> piecesOf(std::basic_string_view<Char> text,
                            std::basic_string_view<Char> separator) {
    std::vector<Piece> pieces;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != text.npos; at = text.find(separator, start)) {
        pieces.emplace_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}

template <class Char>
std::vector<std::basic_string<Char>> nonEmptyPiecesOf(std::basic_string_view<Char> text,
                                                      Char separator) {
    std::vector<std::basic_string<Char>> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = std::min(text.find(separator, start), text.size());
        if (end > start) pieces.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

template <class Char>
std::basic_string<Char> joined(std::span<const std::basic_string<Char>> parts,
                               std::basic_string_view<Char> separator) {
    std::basic_string<Char> out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += separator;
        out += parts[i];
    }
    return out;
}

}  // namespace

std::vector<TextView> splitViews(TextView text, TextView separator) {
    return piecesOf<TextView>(text, separator);
}

std::vector<Text> split(TextView text, TextView separator) {
    return piecesOf<Text>(text, separator);
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    return piecesOf<std::string>(text, separator);
}

std::vector<Text> splitNonEmpty(TextView text, char16_t separator) {
    return nonEmptyPiecesOf(text, separator);
}

std::vector<std::string> splitNonEmpty(std::string_view text, char separator) {
    return nonEmptyPiecesOf(text, separator);
}

Text join(std::span<const Text> parts, TextView separator) {
    return joined(parts, separator);
}

std::string join(std::span<const std::string> parts, std::string_view separator) {
    return joined(parts, separator);
}

// ---- Files -------------------------------------------------------------------

namespace {

Text fromUtf16(std::string_view bytes, bool bigEndian) {
    Text out;
    out.reserve(bytes.size() / 2 + 1);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t pairs = bytes.size() / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        const unsigned first = p[2 * i], second = p[2 * i + 1];
        out.push_back(char16_t(bigEndian ? (first << 8) | second : (second << 8) | first));
    }
    // A file cut in the middle of a unit keeps a trace of the lost byte.
    if (bytes.size() % 2) out.push_back(u'\uFFFD');
    return out;
}

}  // namespace

Text decodeFileBytes(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return fromUtf8(bytes.substr(3));
    if (bytes.starts_with("\xFF\xFE")) return fromUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF")) return fromUtf16(bytes.substr(2), true);
    if (isValidUtf8(bytes)) return fromUtf8(bytes);
    return fromCp932(bytes);
}

Text normaliseLineEnds(TextView text) {
    std::size_t extra = 0;  // line ends that gain a character
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] == kLF) {
            ++extra;
        } else if (text[i] == kCR) {
            if (i + 1 < n && text[i + 1] == kLF) {
                ++i;
            } else {
                ++extra;
            }
        }
    }
    if (extra == 0) return Text(text);
    Text out;
    out.reserve(n + extra);
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c == kLF || c == kCR) {
            out.append(kCRLF);
            if (c == kCR && i + 1 < n && text[i + 1] == kLF) ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// ---- Small helpers -----------------------------------------------------------

Text fromAscii(std::string_view ascii) {
    Text out(ascii.size(), u'\0');
    // Bytes above 0x7F are taken as Latin-1 rather than sign-extended.
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        out[i] = char16_t(static_cast<unsigned char>(ascii[i]));
    }
    return out;
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\u3000';
}

TextView trimBlanksLeft(TextView text) {
    std::size_t start = 0;
    while (start < text.size() && isBlank(text[start])) ++start;
    return text.substr(start);
}

TextView trimBlanksRight(TextView text) {
    std::size_t end = text.size();
    while (end > 0 && isBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

TextView trimBlanks(TextView text) {
    return trimBlanksRight(trimBlanksLeft(text));
}

bool startsWith(TextView text, TextView prefix) {
    return text.starts_with(prefix);
}

bool endsWith(TextView text, TextView suffix) {
    return text.ends_with(suffix);
}

bool contains(TextView text, TextView needle) {
    return text.find(needle) != TextView::npos;
}

Text replaceAll(TextView text, TextView from, TextView to) {
    // An empty pattern would match everywhere without advancing.
    if (from.empty()) return Text(text);
    Text out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(from, pos)) != TextView::npos; pos = hit + from.size()) {
        out.append(text.substr(pos, hit - pos));
        out.append(to);
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace qel::text
