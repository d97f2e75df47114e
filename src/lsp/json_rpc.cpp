#include "lsp/json_rpc.h"

#include <cctype>
#include <charconv>

namespace qel::lsp {

namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool readHeaderLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

bool NestedDeeperThan(std::string_view json, int limit) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

Incoming ReadMessage(std::istream& in) {
    Incoming result;
    std::string line;
    std::optional<std::size_t> length;
    bool badLength = false;
    // Skip blank lines between messages; then read headers up to a blank line.
    do {
        if (!readHeaderLine(in, line)) return result;
    } while (line.empty());
    while (!line.empty()) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && lowered(line.substr(0, colon)) == "content-length") {
            std::string value = line.substr(colon + 1);
            const std::size_t first = value.find_first_not_of(' ');
            value = first == std::string::npos ? "" : value.substr(first);
            std::size_t n = 0;
            auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (error != std::errc() || end != value.data() + value.size() || value.empty())
                badLength = true;
            else
                length = n;
        }
        if (!readHeaderLine(in, line)) return result;
    }
    if (badLength || !length) {
        result.kind = Incoming::Kind::BadHeader;
        result.problem = badLength ? "Content-Length is not a number" : "no Content-Length header";
        return result;
    }
    if (*length > kMaxMessageBytes) {
        result.kind = Incoming::Kind::TooLarge;
        result.problem = "a message of " + std::to_string(*length) + " bytes is too large";
        return result;
    }
    std::string body(*length, '\0');
    in.read(body.data(), std::streamsize(body.size()));
    if (std::size_t(in.gcount()) != body.size()) return result;  // cut short: the end
    if (NestedDeeperThan(body, kMaxJsonDepth)) {
        result.kind = Incoming::Kind::BadJson;
        result.problem =
            "JSON nested too deeply (more than " + std::to_string(kMaxJsonDepth) + " levels)";
        return result;
    }
    result.message = Json::parse(body, nullptr, false);
    if (result.message.is_discarded()) {
        result.kind = Incoming::Kind::BadJson;
        result.problem = "the message is not JSON";
        return result;
    }
    result.kind = Incoming::Kind::Message;
    return result;
}

void WriteMessage(std::ostream& out, const Json& message) {
    // Texts that are not valid UTF-8 are written with replacement characters
    // rather than throwing: a script may hold anything.
    const std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
    out.flush();
}

}  // namespace qel::lsp
