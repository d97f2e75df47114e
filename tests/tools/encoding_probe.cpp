// Runs one encoding routine on standard input and writes the result to
// standard output, so that tests/tools/compare_encodings.py can hold it
// against other implementations. Texts cross the boundary as code page 932
// bytes (EUC-JP and ISO-2022-JP, whose characters are that code page's),
// UTF-16LE (UTF-8) or UTF-8 (URL encoding).
#include <cstdio>
#include <string>

#include "encodings/uEncoding.h"
#include "text/text.h"

namespace {

using namespace qel;

std::string readAll() {
    std::string data;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) data.append(buffer, n);
    return data;
}

Text fromUtf16le(const std::string& bytes) {
    Text t(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < t.size(); ++i) {
        t[i] = char16_t(static_cast<unsigned char>(bytes[2 * i]) |
                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return t;
}

std::string toUtf16le(const Text& t) {
    std::string out;
    out.reserve(t.size() * 2);
    for (char16_t c : t) {
        out.push_back(char(c & 0xFF));
        out.push_back(char(c >> 8));
    }
    return out;
}

std::string ascii(const Text& t) {
    std::string out;
    for (char16_t c : t) out.push_back(char(c));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: encoding_probe OPERATION < input > output\n");
        return 2;
    }
    const std::string op = argv[1];
    const std::string in = readAll();
    std::string out;
    if (op == "euc-encode") {
        out = uEncoding::eucEncode(text::fromCp932(in));
    } else if (op == "euc-decode") {
        out = text::toCp932(uEncoding::eucDecode(in));
    } else if (op == "jis-encode") {
        out = uEncoding::jisEncode(text::fromCp932(in));
    } else if (op == "jis-decode") {
        out = text::toCp932(uEncoding::jisDecode(in));
    } else if (op == "utf8-encode") {
        out = uEncoding::utf8Encode(fromUtf16le(in));
    } else if (op == "utf8-decode") {
        out = toUtf16le(uEncoding::utf8Decode(in, u"\uFFFD"));
    } else if (op == "base64-encode") {
        out = ascii(uEncoding::base64Encode(in));
    } else if (op == "base64-decode") {
        out = uEncoding::base64Decode(text::fromUtf8(in));
    } else if (op == "url-cp932") {
        out = ascii(uEncoding::urlEncode(uEncoding::bytesOfText(text::fromUtf8(in)),
                                         uEncoding::UrlBytes::CodePage932));
    } else if (op == "url-utf8") {
        out = ascii(uEncoding::urlEncode(uEncoding::utf8Encode(text::fromUtf8(in)),
                                         uEncoding::UrlBytes::Utf8));
    } else {
        std::fprintf(stderr, "encoding_probe: unknown operation %s\n", op.c_str());
        return 2;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
