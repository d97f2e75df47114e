// Code page 932: Shift_JIS with the NEC special row, the NEC-selected IBM
// extensions, the IBM extensions and the user-defined area, as Windows
// converts it. The tables are generated (tools/gen_cp932_table.py); this file
// only walks them.
#include <cstdint>

#include "text/text.h"

namespace qel::text {
namespace {

struct EncodePair {
    std::uint16_t ch;
    std::uint16_t code;
};

#include "text/cp932_table.inc"

constexpr char16_t kNoCharacter = u'\u30FB';  // "・", what the system converter writes
constexpr int kTrailsPerLead = 188;

constexpr bool isLead(unsigned b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

constexpr int leadIndex(unsigned b) {
    return b <= 0x9F ? int(b) - 0x81 : int(b) - 0xE0 + 31;
}

// Position of a trail byte in a lead byte's row, or -1 when the byte cannot
// follow a lead byte.
constexpr int trailIndex(unsigned b) {
    if (b >= 0x40 && b <= 0x7E) return int(b) - 0x40;
    if (b >= 0x80 && b <= 0xFC) return int(b) - 0x80 + 63;
    return -1;
}

static_assert(sizeof(kDouble) / sizeof(kDouble[0]) == 60 * kTrailsPerLead);
static_assert(leadIndex(0xFC) == 59 && trailIndex(0xFC) == kTrailsPerLead - 1);

// Character -> code, one slot per BMP character (0 = no code). Several codes
// decode to the same character, so this is built from the encoding list and
// not by inverting the decode table.
struct EncodeTable {
    std::uint16_t code[0x10000] = {};
    EncodeTable() {
        for (char16_t c = 1; c < 0x80; ++c) code[c] = c;
        for (const EncodePair& p : kEncode) code[p.ch] = p.code;
    }
};

const EncodeTable& encodeTable() {
    static const EncodeTable table;
    return table;
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Calls emit(code) for every character, code < 0 meaning "no code"; a valid
// surrogate pair is one character.
template <typename Emit>
void forEachCode(TextView text, Emit&& emit) {
    const EncodeTable& table = encodeTable();
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            emit(int(c));
        } else if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(text[i + 1])) {
            ++i;
            emit(-1);
        } else {
            const std::uint16_t code = table.code[c];
            emit(code ? int(code) : -1);
        }
    }
}

}  // namespace

Text fromCp932(std::string_view bytes) {
    Text out;
    out.reserve(bytes.size());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(char16_t(b));
            ++i;
        } else if (!isLead(b)) {
            out.push_back(char16_t(kSingle[b]));
            ++i;
        } else {
            // A lead byte at the end, or one followed by a byte that cannot be
            // a trail byte, stands alone; the next byte then starts afresh.
            const int trail = i + 1 < n ? trailIndex(static_cast<unsigned char>(bytes[i + 1])) : -1;
            if (trail < 0) {
                out.push_back(kNoCharacter);
                ++i;
            } else {
                const std::uint16_t ch = kDouble[leadIndex(b) * kTrailsPerLead + trail];
                out.push_back(ch ? char16_t(ch) : kNoCharacter);
                i += 2;
            }
        }
    }
    return out;
}

std::string toCp932(TextView text) {
    std::string out;
    out.reserve(cp932Length(text));
    forEachCode(text, [&out](int code) {
        if (code < 0) {
            out.push_back('?');
        } else if (code < 0x100) {
            out.push_back(char(code));
        } else {
            out.push_back(char(code >> 8));
            out.push_back(char(code & 0xFF));
        }
    });
    return out;
}

int cp932Code(char16_t c) {
    if (c < 0x80) return c;
    const std::uint16_t code = encodeTable().code[c];
    return code ? int(code) : -1;
}

std::size_t cp932Length(TextView text) {
    std::size_t length = 0;
    forEachCode(text, [&length](int code) { length += code >= 0x100 ? 2 : 1; });
    return length;
}

}  // namespace qel::text
