// The one text module of the runtime. Script text is UTF-16 because the
// language counts characters in UTF-16 units; everything that converts,
// folds or searches text lives here and nowhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qel {

using Text = std::u16string;
using TextView = std::u16string_view;

constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';
inline constexpr TextView kCRLF = u"\r\n";

namespace text {

// ---- UTF-8 -----------------------------------------------------------------
// Invalid or truncated sequences decode to U+FFFD, one per bad byte, so that
// no input byte is silently dropped or reads past the end.
Text fromUtf8(std::string_view bytes);
// Unpaired surrogates are written as U+FFFD.
std::string toUtf8(TextView text);
bool isValidUtf8(std::string_view bytes);

// ---- Code page 932 (Shift_JIS as Windows extends it) ------------------------
// Decoding: a byte pair or single byte without a mapping becomes U+30FB ("・"),
// which is what the system's own converter produces; a lone lead byte at the
// end of input decodes the same way.
Text fromCp932(std::string_view bytes);
// Encoding: a character without a code becomes '?'.
std::string toCp932(TextView text);
// The code of one character: 0x00-0xFF for single-byte codes, 0x8140-0xFCFC
// for double-byte codes (lead byte high), -1 when the code page lacks it.
int cp932Code(char16_t c);
// Number of bytes the text takes in code page 932 (unmappable count as 1).
std::size_t cp932Length(TextView text);

// ---- Width and kana ----------------------------------------------------------
// As the Japanese system converter does: ASCII <-> full-width forms, blank <->
// ideographic blank, half-width katakana <-> katakana (voiced and semi-voiced
// marks combine into one full-width character, and split back).
Text toHalfWidth(TextView text);
Text toFullWidth(TextView text);
Text toHiragana(TextView text);  // katakana -> hiragana
Text toKatakana(TextView text);  // hiragana -> katakana

// ---- ASCII case --------------------------------------------------------------
// Only A-Z and a-z change; every other character is left alone (full-width
// and accented letters, and in UTF-8 the bytes of any non-ASCII character).
inline char16_t foldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? c + 32 : c;
}
inline char16_t upperAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? c - 32 : c;
}
inline char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}
inline char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 32) : c;
}
Text toUpperAscii(TextView text);
Text toLowerAscii(TextView text);
std::string toUpperAscii(std::string_view text);
std::string toLowerAscii(std::string_view text);
// The key form used by every keyed collection (names compare without regard to
// the case of Latin letters).
Text foldKey(TextView text);
bool equalsFolded(TextView a, TextView b);
bool equalsFolded(std::string_view a, std::string_view b);
bool startsWithFolded(TextView text, TextView prefix);
bool endsWithFolded(TextView text, TextView suffix);
// Latin letters of both widths (A-Z and Ａ-Ｚ), as the script's case
// conversions and upper- and lower-case tests see them.
Text toUpperLatin(TextView text);
Text toLowerLatin(TextView text);

// ---- Splitting and joining -------------------------------------------------
// Every piece between separators, empty ones kept: "a,,b," at "," gives a,
// "", b and "", and a text without the separator (the empty text too) is one
// piece. The separator must not be empty. Joining such pieces with the same
// separator gives the text back.
std::vector<TextView> splitViews(TextView text, TextView separator);
std::vector<Text> split(TextView text, TextView separator);
std::vector<std::string> split(std::string_view text, std::string_view separator);
// Only the non-empty pieces ("a//b/" at '/' gives a and b): the parts of a
// path or a key path.
std::vector<Text> splitNonEmpty(TextView text, char16_t separator);
std::vector<std::string> splitNonEmpty(std::string_view text, char separator);
Text join(std::span<const Text> parts, TextView separator);
std::string join(std::span<const std::string> parts, std::string_view separator);

// ---- Files -------------------------------------------------------------------
// Detects the encoding of file bytes: a UTF-8 or UTF-16 byte-order mark, else
// valid UTF-8, else code page 932.
Text decodeFileBytes(std::string_view bytes);
// LF, CR LF and lone CR all become CR LF.
Text normaliseLineEnds(TextView text);

// ---- Small helpers shared by the core ----------------------------------------
Text fromAscii(std::string_view ascii);
bool isBlank(char16_t c);  // ' ' or U+3000
TextView trimBlanks(TextView text);
TextView trimBlanksLeft(TextView text);
TextView trimBlanksRight(TextView text);
bool startsWith(TextView text, TextView prefix);
bool endsWith(TextView text, TextView suffix);
bool contains(TextView text, TextView needle);
// Replaces every occurrence of `from` (non-empty) by `to`.
Text replaceAll(TextView text, TextView from, TextView to);

}  // namespace text
}  // namespace qel
