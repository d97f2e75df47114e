#include "library/network/transfer_support.h"

#include <cctype>
#include <vector>

#include "core/values.h"
#include "encodings/uEncoding.h"

namespace qel::transfer {

namespace {

std::optional<int> portNumber(TextView digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    int port = 0;
    for (char16_t c : digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        port = port * 10 + (c - u'0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

// Where the host of "host[:port]" ends and its port begins (npos: no port).
// An IPv6 literal in brackets holds colons of its own.
std::size_t portColon(TextView hostPort) {
    std::size_t from = 0;
    if (!hostPort.empty() && hostPort.front() == u'[') {
        from = hostPort.find(u']');
        if (from == TextView::npos) return TextView::npos;
    }
    return hostPort.find(u':', from);
}

// ---- charsets ---------------------------------------------------------------

enum class Charset { Unknown, Cp932, Euc, Jis, Utf8 };

Charset charsetNamed(std::string name) {
    name = text::toLowerAscii(name);
    if (name == "shift_jis" || name == "shift-jis" || name == "sjis" || name == "x-sjis" ||
        name == "windows-31j" || name == "cp932" || name == "ms932" || name == "ms_kanji" ||
        name == "csshiftjis")
        return Charset::Cp932;
    if (name == "euc-jp" || name == "x-euc-jp" || name == "eucjp" || name == "cseucpkdfmtjapanese")
        return Charset::Euc;
    if (name == "iso-2022-jp" || name == "csiso2022jp" || name == "jis") return Charset::Jis;
    if (name == "utf-8" || name == "utf8") return Charset::Utf8;
    return Charset::Unknown;
}

// The value after the first "charset=" in the text, without quotes.
Charset charsetParameter(std::string_view text) {
    std::string lower = text::toLowerAscii(text);
    std::size_t p = lower.find("charset");
    while (p != std::string::npos) {
        std::size_t q = p + 7;
        while (q < lower.size() && (lower[q] == ' ' || lower[q] == '\t')) ++q;
        if (q < lower.size() && lower[q] == '=') {
            ++q;
            while (q < lower.size() && (lower[q] == ' ' || lower[q] == '"' || lower[q] == '\''))
                ++q;
            std::size_t end = q;
            while (end < lower.size() && (std::isalnum((unsigned char)lower[end]) ||
                                          lower[end] == '-' || lower[end] == '_'))
                ++end;
            return charsetNamed(lower.substr(q, end - q));
        }
        p = lower.find("charset", q);
    }
    return Charset::Unknown;
}

// An HTML <meta charset> or an XML encoding declaration near the start.
Charset declaredCharset(std::string_view body) {
    std::string_view head = body.substr(0, 2048);
    Charset c = charsetParameter(head);
    if (c != Charset::Unknown) return c;
    std::string lower = text::toLowerAscii(head);
    std::size_t p = lower.find("encoding=");
    if (p != std::string::npos && lower.compare(0, 5, "<?xml") == 0)
        return charsetParameter("charset=" + lower.substr(p + 9, 40));
    return Charset::Unknown;
}

}  // namespace

std::string PostAddress::url() const {
    std::string out = secure ? "https://" : "http://";
    out += host;
    if (port != (secure ? 443 : 80)) out += ":" + std::to_string(port);
    return out + path;
}

std::optional<PostAddress> parsePostAddress(TextView address) {
    TextView rest = text::trimBlanks(address);
    PostAddress out;
    if (text::startsWithFolded(rest, u"http://")) {
        rest.remove_prefix(7);
    } else if (text::startsWithFolded(rest, u"https://")) {
        rest.remove_prefix(8);
        out.secure = true;
        out.port = 443;
    }
    std::size_t slash = rest.find(u'/');
    if (slash == TextView::npos || slash == 0) return std::nullopt;
    TextView hostPort = rest.substr(0, slash);
    if (hostPort.front() == u'[' && hostPort.find(u']') == TextView::npos) return std::nullopt;
    std::size_t colon = portColon(hostPort);
    TextView host = hostPort.substr(0, colon);
    if (host.empty()) return std::nullopt;
    if (colon != TextView::npos) {
        auto port = portNumber(hostPort.substr(colon + 1));
        if (!port) return std::nullopt;
        out.port = *port;
    }
    out.host = urlOfText(host);
    out.path = urlOfText(rest.substr(slash));
    return out;
}

std::string formBody(TextView list) {
    Text joined;
    std::vector<Text> elements = text::split(values::unifySeparators(list), u",");
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i > 0) joined += u'&';
        joined += values::unescapeCell(elements[i]);
    }
    return text::toCp932(joined);
}

std::string urlOfText(TextView address) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char byte : text::toUtf8(address)) {
        if (byte > 0x20 && byte < 0x7F) {
            out += char(byte);
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

Text withScheme(TextView address, bool ftp) {
    TextView a = text::trimBlanks(address);
    if (a.find(u"://") != TextView::npos) return Text(a);
    return (ftp ? u"ftp://" : u"http://") + Text(a);
}

bool isFtpAddress(TextView address) {
    TextView a = text::trimBlanks(address);
    return text::startsWithFolded(a, u"ftp://") || text::startsWithFolded(a, u"ftps://");
}

Text withoutPassword(TextView address) {
    std::size_t scheme = address.find(u"://");
    std::size_t start = scheme == TextView::npos ? 0 : scheme + 3;
    std::size_t end = address.find(u'/', start);
    TextView authority =
        address.substr(start, end == TextView::npos ? TextView::npos : end - start);
    std::size_t at = authority.rfind(u'@');
    if (at == TextView::npos) return Text(address);
    std::size_t colon = authority.find(u':');
    if (colon == TextView::npos || colon > at) return Text(address);
    Text out(address.substr(0, start + colon + 1));
    out += u"***";
    out += address.substr(start + at);
    return out;
}

Text fileNameOfAddress(TextView address) {
    TextView a = address;
    std::size_t cut = a.find_first_of(u"?#");
    if (cut != TextView::npos) a = a.substr(0, cut);
    std::size_t scheme = a.find(u"://");
    std::size_t pathStart = a.find(u'/', scheme == TextView::npos ? 0 : scheme + 3);
    if (pathStart == TextView::npos) return u"index.html";
    TextView name = a.substr(a.rfind(u'/') + 1);
    return name.empty() ? Text(u"index.html") : Text(name);
}

FtpOptions parseFtpOptions(TextView evaluatedList) {
    FtpOptions out;
    std::vector<Text> parts = text::split(values::unifySeparators(evaluatedList), u",");
    Text word = text::toUpperAscii(text::toHalfWidth(text::trimBlanks(parts[0])));
    if (word != u"FTP") return out;
    out.ftp = true;
    if (parts.size() > 1) out.user = parts[1];
    if (parts.size() > 2) out.password = parts[2];
    return out;
}

bool credentialsUsable(const FtpOptions& options) {
    auto clean = [](const std::optional<Text>& t) {
        if (!t) return true;
        for (char16_t c : *t) {
            if (c < 0x20 || c == 0x7F) return false;
        }
        return true;
    };
    return clean(options.user) && clean(options.password);
}

Text decodeReplyText(std::string_view body, std::string_view contentType) {
    Charset charset = charsetParameter(contentType);
    if (charset == Charset::Unknown) charset = declaredCharset(body);
    switch (charset) {
        case Charset::Cp932:
            return text::normaliseLineEnds(text::fromCp932(body));
        case Charset::Euc:
            return text::normaliseLineEnds(uEncoding::eucDecode(body));
        case Charset::Jis:
            return text::normaliseLineEnds(uEncoding::jisDecode(body));
        case Charset::Utf8:
            if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
            return text::normaliseLineEnds(text::fromUtf8(body));
        case Charset::Unknown:
            break;
    }
    return text::normaliseLineEnds(text::decodeFileBytes(body));
}

}  // namespace qel::transfer
