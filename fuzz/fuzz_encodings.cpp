// Every decoder of the encodings on arbitrary bytes: none may read past its
// input or crash, and the round trips the runtime relies on must hold (a byte
// text gives back its bytes, decoded UTF-8 and Base64 survive re-encoding).
// A broken property aborts, so libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "encodings/uEncoding.h"
#include "text/text.h"

namespace {

using qel::Text;
namespace enc = qel::uEncoding;

void require(bool holds) {
    if (!holds) std::abort();
}

// Everything a decoder writes is a whole character: no lone surrogates
// (those only carry bytes in byte texts).
bool wellFormed(const Text& t) {
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char16_t c = t[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= t.size() || t[i + 1] < 0xDC00 || t[i + 1] > 0xDFFF) return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const Text euc = enc::eucDecode(bytes);
    require(euc.size() <= 2 * size && wellFormed(euc));
    enc::eucEncode(euc);

    const Text jis = enc::jisDecode(bytes);
    require(jis.size() <= 2 * size && wellFormed(jis));
    enc::jisEncode(jis);

    const Text utf8 = enc::utf8Decode(bytes, {});
    require(wellFormed(utf8));
    require(enc::utf8Decode(enc::utf8Encode(utf8), {}) == utf8);
    require(enc::utf8Decode(bytes, u"\uFFFD").size() >= utf8.size());

    const Text carried = enc::textOfBytes(bytes);
    require(enc::bytesOfText(carried) == bytes);

    // The same bytes as Base64 text (one character per byte), and as data.
    Text base64Text(size, u'\0');
    for (std::size_t i = 0; i < size; ++i) base64Text[i] = char16_t(data[i]);
    const std::string decoded = enc::base64Decode(base64Text);
    require(decoded.size() <= size);
    require(enc::base64Decode(enc::base64Encode(bytes)) == bytes);

    enc::urlEncode(bytes, enc::UrlBytes::CodePage932);
    enc::urlEncode(bytes, enc::UrlBytes::Utf8);
    return 0;
}
