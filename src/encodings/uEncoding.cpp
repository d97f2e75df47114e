#include "encodings/uEncoding.h"

#include <array>
#include <cstdint>
#include <memory>

namespace qel::uEncoding {

namespace {

// What the code page converter writes for bytes that name no character; the
// decoders give the same for pairs that name none.
constexpr char16_t kNoCharacter = u'\u30FB';

constexpr bool isLeadByte(unsigned b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
constexpr bool isTrailByte(unsigned b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

inline unsigned byteAt(std::string_view bytes, std::size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u;
}

// ---- decoding into code page 932 bytes -----------------------------------------
// The EUC-JP and ISO-2022-JP decoders rewrite their input as code page 932
// bytes and let the text module turn those into text in one pass. They only
// ever write ASCII bytes, single-byte codes and complete lead/trail pairs, so
// the text module reads the bytes exactly as they were meant.

class Cp932Writer {
  public:
    // Every input byte gives at most two output bytes (a line feed becomes
    // CR LF, a lone byte the two bytes of "・"), so the buffer never grows.
    explicit Cp932Writer(std::size_t inputBytes)
        : bytes_(new char[2 * inputBytes + 2]), end_(bytes_.get()) {}

    void byte(unsigned b) { *end_++ = static_cast<char>(b); }

    // A line feed ends a line the way the runtime's texts do, with CR LF; one
    // that already follows a CR only completes the pair. (A trail byte is
    // never below 0x40, so a CR at the end is always a real one.)
    void lineFeed() {
        if (end_ == bytes_.get() || end_[-1] != '\r') *end_++ = '\r';
        *end_++ = '\n';
    }

    void noCharacter() { pair(noCharacterCode()); }

    void pair(int code) {
        *end_++ = static_cast<char>(code >> 8);
        *end_++ = static_cast<char>(code & 0xFF);
    }

    // The code page 932 pair of a JIS X 0208 row and cell byte (0x21-0x7E
    // each); anything the arithmetic turns into a pair that is not a code
    // page 932 pair names no character.
    void rowCell(int row, int cell) {
        const int lead = (row + 1) / 2 + (row <= 94 ? 112 : 176);
        int trail;
        if (row & 1) {
            trail = cell + (cell < 96 ? 31 : 32);
        } else {
            trail = cell + 126;
        }
        if (lead >= 0 && lead <= 0xFF && trail >= 0 && trail <= 0xFF &&
            isLeadByte(unsigned(lead)) && isTrailByte(unsigned(trail))) {
            pair(lead << 8 | trail);
        } else {
            noCharacter();
        }
    }

    Text text() const {
        return text::fromCp932(std::string_view(bytes_.get(), std::size_t(end_ - bytes_.get())));
    }

  private:
    static int noCharacterCode() {
        static const int code = text::cp932Code(kNoCharacter);
        return code;
    }

    std::unique_ptr<char[]> bytes_;
    char* end_;
};

// ---- encoding from code page 932 codes ------------------------------------------

// The code of the character at `i` (advancing past it): a surrogate pair is
// one character, and like any character code page 932 lacks it writes "?".
inline int nextCode(TextView text, std::size_t& i) {
    const char16_t c = text[i++];
    if (c < 0x80) return c;
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        ++i;
        return '?';
    }
    const int code = text::cp932Code(c);
    return code < 0 ? '?' : code;
}

constexpr int kIbmFirst = 0xFA40;
constexpr int kIbmLast = 0xFC4B;

// For the characters whose code page 932 code is an IBM extension code (lead
// 0xFA-0xFC, beyond the JIS X 0208 rows), the other code that decodes to the
// same character within those rows (the NEC-selected rows, the NEC special
// row or row 2). Derived once from the text module's table.
class IbmTwins {
  public:
    IbmTwins() {
        for (unsigned lead = 0x81; lead <= 0xEF; ++lead) {
            if (!isLeadByte(lead)) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                if (!isTrailByte(trail)) continue;
                const char pairBytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const Text decoded = text::fromCp932(std::string_view(pairBytes, 2));
                if (decoded.size() != 1) continue;
                const int code = text::cp932Code(decoded[0]);
                if (code >= kIbmFirst && code <= kIbmLast && twin_[code - kIbmFirst] == 0) {
                    twin_[code - kIbmFirst] = static_cast<std::uint16_t>(lead << 8 | trail);
                }
            }
        }
    }
    int twin(int code) const {
        if (code < kIbmFirst || code > kIbmLast || twin_[code - kIbmFirst] == 0) return -1;
        return twin_[code - kIbmFirst];
    }

  private:
    std::array<std::uint16_t, kIbmLast - kIbmFirst + 1> twin_{};
};

// A double-byte code as EUC-JP and ISO-2022-JP can carry it (lead byte at
// most 0xEF, so that row and cell stay within 0x21-0x7E), or -1.
int carriedCode(int code) {
    if ((code >> 8) >= 0xF0) {
        static const IbmTwins twins;
        code = twins.twin(code);
    }
    return code;
}

constexpr std::array<std::uint8_t, 128> makeBase64Values() {
    std::array<std::uint8_t, 128> values{};
    for (auto& v : values) v = 255;
    for (int i = 0; i < 26; ++i) {
        values['A' + i] = std::uint8_t(i);
        values['a' + i] = std::uint8_t(26 + i);
    }
    for (int i = 0; i < 10; ++i) values['0' + i] = std::uint8_t(52 + i);
    values['+'] = 62;
    values['/'] = 63;
    return values;
}

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::array<std::uint8_t, 128> kBase64Values = makeBase64Values();
constexpr std::size_t kBase64LineLength = 72;
constexpr std::size_t kPumpEvery = 100;

constexpr char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

// ---- decoding ----------------------------------------------------------------------

Text eucDecode(std::string_view bytes) {
    Cp932Writer out(bytes.size());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        if (b == 0) break;
        if (b < 0x80) {
            if (b == '\n') {
                out.lineFeed();
            } else {
                out.byte(b);
            }
            ++i;
            continue;
        }
        const unsigned second = byteAt(bytes, i + 1);
        if (second < 0x80) {
            // No partner (the end, a NUL, or a single-byte character that
            // must not be swallowed).
            out.noCharacter();
            ++i;
        } else if (b == 0x8F) {
            // A JIS X 0212 character takes three bytes; reading it as a pair
            // would shift every following pair by one byte.
            out.noCharacter();
            i += byteAt(bytes, i + 2) >= 0x80 ? 3 : 2;
        } else {
            out.rowCell(int(b) - 128, int(second) - 128);
            i += 2;
        }
    }
    return out.text();
}

Text jisDecode(std::string_view bytes) {
    enum class Mode { Single, Jis0208, OtherSet };
    Cp932Writer out(bytes.size());
    Mode mode = Mode::Single;
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        if (b == 0) break;
        if (b == 0x1B) {
            const unsigned first = byteAt(bytes, i + 1);
            const unsigned second = byteAt(bytes, i + 2);
            if (first == '$' && (second == '(' || second == ')')) {
                const unsigned final = byteAt(bytes, i + 3);
                if (final == 0) break;
                mode = (final == '@' || final == 'B') ? Mode::Jis0208 : Mode::OtherSet;
                i += 4;
            } else if ((first == '$' || first == '(') && second != 0) {
                mode = first == '$' ? Mode::Jis0208 : Mode::Single;
                i += 3;
            } else {
                mode = Mode::Single;
                ++i;
            }
            continue;
        }
        if (mode == Mode::Single || b < 0x21) {
            if (b == '\n') {
                out.lineFeed();
            } else if (b >= 0x80 && isLeadByte(b)) {
                out.noCharacter();
            } else {
                out.byte(b);
            }
            ++i;
            continue;
        }
        const unsigned second = byteAt(bytes, i + 1);
        if (second < 0x21) {
            out.noCharacter();  // half a character; what follows is read afresh
            ++i;
            continue;
        }
        if (mode == Mode::Jis0208) {
            out.rowCell(int(b), int(second));
        } else {
            out.noCharacter();
        }
        i += 2;
    }
    return out.text();
}

Text utf8Decode(std::string_view bytes, TextView replacement) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    Text out;
    out.reserve(n);
    std::size_t i = 0;
    auto isContinuation = [](unsigned c) { return (c & 0xC0) == 0x80; };
    while (i < n) {
        const unsigned b = p[i];
        if (b < 0x80) {
            out.push_back(char16_t(b));
            ++i;
            continue;
        }
        if (b >= 0xC2 && b <= 0xDF) {
            if (i + 1 < n && isContinuation(p[i + 1])) {
                out.push_back(char16_t((b & 0x1F) << 6 | (p[i + 1] & 0x3F)));
                i += 2;
                continue;
            }
        } else if (b >= 0xE0 && b <= 0xEF) {
            // The standard excludes overlong forms (E0 80-9F) and surrogates
            // (ED A0-BF).
            const unsigned low = b == 0xE0 ? 0xA0 : 0x80;
            const unsigned high = b == 0xED ? 0x9F : 0xBF;
            if (i + 2 < n && p[i + 1] >= low && p[i + 1] <= high && isContinuation(p[i + 2])) {
                out.push_back(
                    char16_t((b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F)));
                i += 3;
                continue;
            }
        } else if (b >= 0xF0 && b <= 0xF4) {
            const unsigned low = b == 0xF0 ? 0x90 : 0x80;
            const unsigned high = b == 0xF4 ? 0x8F : 0xBF;
            if (i + 3 < n && p[i + 1] >= low && p[i + 1] <= high && isContinuation(p[i + 2]) &&
                isContinuation(p[i + 3])) {
                const std::uint32_t cp = ((b & 0x07) << 18 | (p[i + 1] & 0x3F) << 12 |
                                          (p[i + 2] & 0x3F) << 6 | (p[i + 3] & 0x3F)) -
                                         0x10000;
                out.push_back(char16_t(0xD800 + (cp >> 10)));
                out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
                i += 4;
                continue;
            }
        }
        out.append(replacement);
        ++i;
    }
    return out;
}

// ---- encoding ----------------------------------------------------------------------

std::string eucEncode(TextView text) {
    std::string out;
    out.reserve(text.size() * 2);
    std::size_t i = 0;
    while (i < text.size()) {
        int code = nextCode(text, i);
        if (code < 0x100) {
            if (code >= 0xA0 && code <= 0xDF) {
                out.push_back(char(0x8E));
                out.push_back(char(code));
            } else if (code <= 0x80) {
                out.push_back(char(code));
            } else {
                out.push_back('?');  // 0xFD-0xFF: single-byte codes EUC-JP has no place for
            }
            continue;
        }
        code = carriedCode(code);
        if (code < 0) {
            out.push_back('?');
            continue;
        }
        const int b = code >> 8;
        const int c = code & 0xFF;
        int first;
        int second;
        if (c < 0x9F) {
            first = b <= 0x9F ? 2 * b - 97 : 2 * b - 225;
            second = c < 0x80 ? c + 97 : c + 96;
        } else {
            first = b <= 0x9F ? 2 * b - 96 : 2 * b - 224;
            second = c + 2;
        }
        out.push_back(char(first));
        out.push_back(char(second));
    }
    return out;
}

std::string jisEncode(TextView text) {
    enum class Mode { Start, Single, Double };
    std::string out;
    out.reserve(text.size() * 2 + 8);
    Mode mode = Mode::Start;
    std::size_t i = 0;
    while (i < text.size()) {
        int code = nextCode(text, i);
        if (code == 0) break;
        if (code >= 0x100) {
            code = carriedCode(code);
            if (code < 0) code = '?';
        }
        if (code >= 0x100) {
            if (mode != Mode::Double) {
                out += "\x1B$B";
                mode = Mode::Double;
            }
            const int lead = code >> 8;
            const int trail = code & 0xFF;
            const int row = (lead - (lead >= 0xA0 ? 0xB0 : 0x70)) * 2 - (trail < 0x9F ? 1 : 0);
            const int cell = trail - (trail > 0x9E ? 0x7E : trail < 0x80 ? 0x1F : 0x20);
            out.push_back(char(row));
            out.push_back(char(cell));
        } else {
            if (mode != Mode::Single) {
                out += "\x1B(B";
                mode = Mode::Single;
            }
            out.push_back(char(code));
        }
    }
    return out;
}

// The text module's encoder already writes exactly this form.
std::string utf8Encode(TextView text) {
    return text::toUtf8(text);
}

Text decode(std::string_view bytes, Selector selector) {
    switch (selector) {
        case Selector::Euc:
            return eucDecode(bytes);
        case Selector::Jis:
            return jisDecode(bytes);
        case Selector::Utf8:
            break;
    }
    return utf8Decode(bytes, {});
}

std::string encode(TextView text, Selector selector) {
    switch (selector) {
        case Selector::Euc:
            return eucEncode(text);
        case Selector::Jis:
            return jisEncode(text);
        case Selector::Utf8:
            break;
    }
    return utf8Encode(text);
}

// ---- Base64 ------------------------------------------------------------------------

Text base64Encode(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    const std::size_t chars = (n + 2) / 3 * 4;
    const std::size_t breaks = chars == 0 ? 0 : (chars - 1) / kBase64LineLength;
    Text out(chars + 2 * breaks, u'\0');
    char16_t* q = out.data();
    std::size_t column = 0;
    auto put = [&](char16_t c) {
        if (column == kBase64LineLength) {
            *q++ = kCR;
            *q++ = kLF;
            column = 0;
        }
        *q++ = c;
        ++column;
    };
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const std::uint32_t group =
            std::uint32_t(p[i]) << 16 | std::uint32_t(p[i + 1]) << 8 | p[i + 2];
        put(char16_t(kBase64Alphabet[group >> 18]));
        put(char16_t(kBase64Alphabet[group >> 12 & 0x3F]));
        put(char16_t(kBase64Alphabet[group >> 6 & 0x3F]));
        put(char16_t(kBase64Alphabet[group & 0x3F]));
    }
    if (n - i == 1) {
        const std::uint32_t group = std::uint32_t(p[i]) << 16;
        put(char16_t(kBase64Alphabet[group >> 18]));
        put(char16_t(kBase64Alphabet[group >> 12 & 0x3F]));
        put(u'=');
        put(u'=');
    } else if (n - i == 2) {
        const std::uint32_t group = std::uint32_t(p[i]) << 16 | std::uint32_t(p[i + 1]) << 8;
        put(char16_t(kBase64Alphabet[group >> 18]));
        put(char16_t(kBase64Alphabet[group >> 12 & 0x3F]));
        put(char16_t(kBase64Alphabet[group >> 6 & 0x3F]));
        put(u'=');
    }
    return out;
}

std::string base64Decode(TextView text, const std::function<void()>& pump) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    std::uint32_t group = 0;
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (pump && i > 0 && i % kPumpEvery == 0) pump();
        const char16_t c = text[i];
        if (c == u'=') break;
        const unsigned value = c < 128 ? kBase64Values[c] : 255u;
        if (value == 255) continue;
        group = group << 6 | value;
        if (++count == 4) {
            out.push_back(char(group >> 16));
            out.push_back(char(group >> 8 & 0xFF));
            out.push_back(char(group & 0xFF));
            group = 0;
            count = 0;
        }
    }
    // A final group of two or three characters still carries one or two
    // whole bytes; a single character carries none.
    if (count == 2) {
        out.push_back(char(group >> 4 & 0xFF));
    } else if (count == 3) {
        out.push_back(char(group >> 10 & 0xFF));
        out.push_back(char(group >> 2 & 0xFF));
    }
    return out;
}

// ---- URL encoding -----------------------------------------------------------------

namespace {
inline bool passesUnchanged(unsigned b) {
    return (b >= '@' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '*' ||
           b == '-' || b == '.' || b == '_';
}
}  // namespace

Text urlEncode(std::string_view bytes, UrlBytes kind) {
    const bool trailBytes = kind == UrlBytes::CodePage932;
    // Two passes: the length first, so the result is allocated once.
    std::size_t length = 0;
    bool trail = false;
    for (char ch : bytes) {
        const unsigned b = static_cast<unsigned char>(ch);
        if (trail) {
            length += 3;
            trail = false;
        } else if (b == ' ' || passesUnchanged(b)) {
            length += 1;
        } else {
            length += 3;
            trail = b >= 0x80 && trailBytes;
        }
    }
    Text out(length, u'\0');
    char16_t* q = out.data();
    auto percent = [&q](unsigned b) {
        *q++ = u'%';
        *q++ = char16_t(kHexDigits[b >> 4]);
        *q++ = char16_t(kHexDigits[b & 0x0F]);
    };
    trail = false;
    for (char ch : bytes) {
        const unsigned b = static_cast<unsigned char>(ch);
        if (trail) {
            percent(b);
            trail = false;
        } else if (b == ' ') {
            *q++ = u'+';
        } else if (passesUnchanged(b)) {
            *q++ = char16_t(b);
        } else {
            percent(b);
            trail = b >= 0x80 && trailBytes;
        }
    }
    return out;
}

// ---- byte texts ----------------------------------------------------------------------

namespace {
constexpr char16_t kByteEscape = 0xDC00;  // + byte: a byte that is no character of its own
}

std::string bytesOfText(TextView text) {
    std::string out;
    out.reserve(text.size() * 2);
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF) {
            out.push_back(char(c - kByteEscape));
            ++i;
            continue;
        }
        const int code = nextCode(text, i);
        if (code >= 0x100) out.push_back(char(code >> 8));
        out.push_back(char(code & 0xFF));
    }
    return out;
}

Text textOfBytes(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(char16_t(b));
            ++i;
            continue;
        }
        // A character is taken only when writing it back gives the same
        // bytes; anything else is carried byte by byte.
        const std::size_t width = isLeadByte(b) ? 2 : 1;
        if (width == 1 || (i + 1 < n && isTrailByte(static_cast<unsigned char>(bytes[i + 1])))) {
            const Text decoded = text::fromCp932(bytes.substr(i, width));
            const int code =
                width == 2 ? int(b << 8 | static_cast<unsigned char>(bytes[i + 1])) : int(b);
            if (decoded.size() == 1 && text::cp932Code(decoded[0]) == code) {
                out.push_back(decoded[0]);
                i += width;
                continue;
            }
        }
        out.push_back(char16_t(kByteEscape + b));
        ++i;
    }
    return out;
}

// ---- files ---------------------------------------------------------------------------

CodecStatus readFileInEncoding(FileSystem& files, const std::string& path, Selector selector,
                               Text& out) {
    out.clear();
    if (!files.fileExists(path)) return CodecStatus::Missing;
    std::string bytes;
    if (!files.readFile(path, bytes)) return CodecStatus::Unreadable;
    std::string_view view(bytes);
    // A byte-order mark announces the encoding; it is not part of the text.
    if (selector == Selector::Utf8 && view.substr(0, 3) == "\xEF\xBB\xBF") view.remove_prefix(3);
    out = decode(view, selector);
    return CodecStatus::Ok;
}

FileStatus writeFileInEncoding(FileSystem& files, const std::string& path, TextView text,
                               Selector selector) {
    return files.writeFile(path, encode(text, selector));
}

CodecStatus base64EncodeFile(FileSystem& files, const std::string& path, Text& out) {
    out.clear();
    if (!files.fileExists(path)) return CodecStatus::Missing;
    std::string bytes;
    if (!files.readFile(path, bytes)) return CodecStatus::Unreadable;
    out = base64Encode(bytes);
    return CodecStatus::Ok;
}

FileStatus base64DecodeToFile(FileSystem& files, const std::string& path, TextView text,
                              const std::function<void()>& pump) {
    return files.writeFile(path, base64Decode(text, pump));
}

}  // namespace qel::uEncoding
