// Converting between the runtime's text and the byte forms scripts meet in
// files and on the network: EUC-JP, ISO-2022-JP ("JIS"), UTF-8, Base64 and
// URL encoding. Double-byte characters are those of code page 932; every
// conversion goes through the text module's one table of it. Nothing here
// keeps state: each routine takes its input and returns a new value.
//
// Byte arrays are std::string (each char one byte) so that they pass to the
// file system port and the text module without copying.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/ports/platform.h"
#include "text/text.h"

namespace qel::uEncoding {

// The encodings the file commands name by number.
enum class Selector : int { Euc = 0, Jis = 1, Utf8 = 2 };

// ---- Decoding ---------------------------------------------------------------
// EUC-JP. Stops at the first NUL byte; a line feed becomes CR LF (an existing
// CR LF stays as it is). Every lead byte takes the next byte as its partner
// and the pair is converted by row and cell arithmetic, the single-shift byte
// 0x8E included: such a pair names no character and gives "・", so half-width
// katakana do not survive the trip (this is what scripts have always seen).
// A three-byte 0x8F sequence gives one "・". A lead byte without a partner
// (at the end, before a NUL or before a byte below 0x80) gives "・" and the
// byte after it is decoded afresh.
Text eucDecode(std::string_view bytes);

// ISO-2022-JP. Stops at the first NUL byte. ESC "$" and a final byte enters
// double-byte mode, ESC "(" and a final byte leaves it (the four-byte forms
// ESC "$" "(" F are read whole; a set other than JIS X 0208 gives "・" per
// pair). An ESC that starts no such sequence is dropped and leaves
// double-byte mode without swallowing what follows. Outside double-byte mode
// a line feed becomes CR LF and any other byte is the character of that code
// page 932 code (so raw half-width katakana come back); in double-byte mode a
// byte below 0x21 is read as a single byte, which keeps line breaks that a
// careless writer left inside a double-byte run.
Text jisDecode(std::string_view bytes);

// UTF-8 as the standard defines it, four-byte sequences included (they give
// a surrogate pair). Each byte that starts no valid sequence is replaced by
// `replacement` (nothing when it is empty) and skipped alone.
Text utf8Decode(std::string_view bytes, TextView replacement);

// ---- Encoding ---------------------------------------------------------------
// EUC-JP. Half-width katakana are written after the single-shift byte 0x8E.
// A character that code page 932 lacks, or whose code falls outside the JIS
// X 0208 rows (the user-defined area), is written "?". The IBM extension
// codes that Windows prefers for some characters are written as the
// NEC-selected twins that encode the same character within those rows.
std::string eucEncode(TextView text);

// ISO-2022-JP, stopping at a NUL character. Each run of single-byte
// characters is announced with ESC "(" "B" (also at the very start) and each
// run of double-byte characters with ESC "$" "B". No ESC "(" "B" is added
// after a text that ends in a double-byte run: stored files and scripts
// expect the bytes exactly so. Half-width katakana are written as their raw
// code page 932 bytes. Characters EUC-JP cannot carry are written "?".
std::string jisEncode(TextView text);

// UTF-8 without a byte-order mark. A surrogate pair gives its four-byte
// sequence; a surrogate without its partner gives U+FFFD.
std::string utf8Encode(TextView text);

// The form the file commands read and write: UTF-8 decoding drops what it
// cannot decode.
Text decode(std::string_view bytes, Selector selector);
std::string encode(TextView text, Selector selector);

// ---- Base64 -----------------------------------------------------------------
// The standard alphabet with "=" padding, cut into lines of 72 characters
// joined by CR LF.
Text base64Encode(std::string_view bytes);
// Stops at the first "=" or at the end; characters outside the alphabet (line
// breaks included) are skipped without disturbing the grouping. `pump`, when
// given, runs after every 100 characters read, so that windows stay
// responsive while a large text is decoded.
std::string base64Decode(TextView text, const std::function<void()>& pump = {});

// ---- URL encoding ------------------------------------------------------------
// Which bytes of the text a URL carries.
enum class UrlBytes { CodePage932, Utf8 };
// A blank becomes "+"; "@" to "Z", "a" to "z", "0" to "9", "*", "-", "." and
// "_" pass unchanged; every other byte is "%" and two upper-case hex digits.
// With code page 932 the byte after a byte of 0x80 or more (the trail byte of
// a double-byte character) is always written in the "%" form, whatever its
// value; UTF-8 has no such trail bytes, so there each byte stands alone.
Text urlEncode(std::string_view bytes, UrlBytes kind);

// ---- Byte texts ---------------------------------------------------------------
// How a script text carries bytes (the input and output of 変換, and the
// bytes ＵＲＬ形式 encodes): the text's code page 932 bytes. Turning bytes
// into a text decodes them as code page 932, except that a byte that would
// not come back unchanged (a lone lead byte, a pair without a character, a
// pair whose character is written with another code) becomes the lone
// surrogate U+DC00 + byte. Turning the text back gives those bytes again, so
// any byte sequence survives the round trip.
std::string bytesOfText(TextView text);
Text textOfBytes(std::string_view bytes);

// ---- Files ---------------------------------------------------------------------
// What became of reading a file: the callers turn it into the message they
// show.
enum class CodecStatus {
    Ok,
    Missing,     // the file or its folder does not exist
    Unreadable,  // it exists but cannot be read (a folder, no permission)
};

// Reads and decodes the whole file; `out` is empty unless it could be read.
CodecStatus readFileInEncoding(FileSystem& files, const std::string& path, Selector selector,
                               Text& out);
// Encodes and replaces the file's content in one step (see FileSystem::writeFile).
FileStatus writeFileInEncoding(FileSystem& files, const std::string& path, TextView text,
                               Selector selector);
// Base64 text of a whole file.
CodecStatus base64EncodeFile(FileSystem& files, const std::string& path, Text& out);
// Decodes the text and makes the bytes the file's whole content.
FileStatus base64DecodeToFile(FileSystem& files, const std::string& path, TextView text,
                              const std::function<void()>& pump = {});

}  // namespace qel::uEncoding
