// The text of HTTP reply bodies on arbitrary bytes and Content-Type values.
// Whatever the server sends, the text has whole CR LF line ends, the case of
// the Content-Type does not matter, and a charset the header names wins over
// whatever the body declares. A body that is text in the charset it is
// labelled with reads back as that text. A broken property aborts, so
// libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "encodings/uEncoding.h"
#include "library/network/transfer_support.h"
#include "text/text.h"

namespace {

using qel::Text;
namespace text = qel::text;
using qel::transfer::decodeReplyText;

void require(bool holds) {
    if (!holds) std::abort();
}

bool wholeLineEnds(const Text& t) {
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == qel::kCR && (i + 1 >= t.size() || t[i + 1] != qel::kLF)) return false;
        if (t[i] == qel::kLF && (i == 0 || t[i - 1] != qel::kCR)) return false;
    }
    return true;
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first line is the Content-Type, the rest the body.
    std::size_t eol = bytes.find('\n');
    std::string_view contentType = bytes.substr(0, eol);
    std::string_view body =
        eol == std::string_view::npos ? std::string_view() : bytes.substr(eol + 1);

    Text decoded = decodeReplyText(body, contentType);
    require(wholeLineEnds(decoded));
    require(decodeReplyText(body, upper(contentType)) == decoded);
    Text whole = decodeReplyText(bytes, "");
    require(wholeLineEnds(whole));

    // The header's charset is taken over the body's own declaration.
    for (const char* header : {"text/html; charset=Shift_JIS", "text/html; charset=EUC-JP",
                               "text/plain;charset=\"iso-2022-jp\"", "text/html; charset=utf-8"}) {
        Text labelled = decodeReplyText(body, header);
        require(wholeLineEnds(labelled));
        require(decodeReplyText(body, std::string(header) + "; x=1") == labelled);
    }

    // Text sent in the charset it is labelled with comes back as it was
    // (with CR LF line ends).
    Text sent = text::normaliseLineEnds(text::fromUtf8(body));
    if (text::isValidUtf8(body) && !body.starts_with("\xEF\xBB\xBF")) {
        require(decodeReplyText(body, "text/plain; charset=UTF-8") == sent);
        // Only characters each charset can carry come back; compare when
        // all of them did.
        std::string euc = qel::uEncoding::eucEncode(sent);
        if (qel::uEncoding::eucDecode(euc) == sent)
            require(decodeReplyText(euc, "text/html; charset=euc-jp") == sent);
        std::string sjis = text::toCp932(sent);
        if (text::fromCp932(sjis) == sent)
            require(decodeReplyText(sjis, "text/html; charset=Shift_JIS") == sent);
    }
    return 0;
}
