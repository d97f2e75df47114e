#include "lsp/json_rpc.h"

#include <cctype>
#include <charconv>

namespace qel::lsp {

namespace {

std::string lowered(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

enum class HeaderLine { Read, TooLong, End };

// One header line without its CR LF. A line longer than kMaxHeaderLineBytes
// is passed over to its end rather than held: a header of gigabytes without
// a line break must not take the memory with it.
HeaderLine readHeaderLine(std::istream& in, std::string& line) {
    line.clear();
    bool tooLong = false;
    for (;;) {
        const int c = in.get();
        if (c == std::char_traits<char>::eof()) {
            return line.empty() && !tooLong ? HeaderLine::End
                                            : (tooLong ? HeaderLine::TooLong : HeaderLine::Read);
        }
        if (c == '\n') break;
        if (line.size() < kMaxHeaderLineBytes) {
            line += char(c);
        } else {
            tooLong = true;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return tooLong ? HeaderLine::TooLong : HeaderLine::Read;
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

Frame ReadFrame(std::istream& in) {
    Frame frame;
    std::string line;
    HeaderLine got;
    // Blank lines between messages are passed over.
    do {
        got = readHeaderLine(in, line);
        if (got == HeaderLine::End) return frame;
    } while (got == HeaderLine::Read && line.empty());

    std::string length;  // the last Content-Length's value, as written
    bool haveLength = false;
    bool lineTooLong = false;
    bool ended = false;
    while (got == HeaderLine::TooLong || !line.empty()) {
        if (got == HeaderLine::TooLong) {
            lineTooLong = true;
        } else {
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos && lowered(line.substr(0, colon)) == "content-length") {
                length = line.substr(colon + 1);
                length.erase(0, length.find_first_not_of(" \t"));
                length.erase(length.find_last_not_of(" \t") + 1);
                haveLength = true;
            }
        }
        got = readHeaderLine(in, line);
        if (got == HeaderLine::End) {
            ended = true;
            break;
        }
    }
    if (ended) {
        frame.kind = Frame::Kind::CutShort;
        frame.problem = "the input ended inside a message's header";
        return frame;
    }
    const bool digits =
        !length.empty() && length.find_first_not_of("0123456789") == std::string::npos;
    if (lineTooLong || !digits) {
        frame.kind = Frame::Kind::BadHeader;
        frame.problem = lineTooLong ? "a header line is longer than " +
                                          std::to_string(kMaxHeaderLineBytes) + " bytes"
                        : haveLength ? "the message has no valid Content-Length header (\"" +
                                           length.substr(0, 40) + "\" is not a length)"
                                     : "the message has no valid Content-Length header";
        return frame;
    }
    std::size_t size = 0;
    const auto [end, error] = std::from_chars(length.data(), length.data() + length.size(), size);
    if (error != std::errc() || end != length.data() + length.size() || size > kMaxMessageBytes) {
        frame.kind = Frame::Kind::TooLarge;
        frame.problem = "a message of Content-Length " + length.substr(0, 40) +
                        " is longer than the " + std::to_string(kMaxMessageBytes) +
                        " bytes a message may have";
        return frame;
    }
    frame.body.resize(size);
    in.read(frame.body.data(), std::streamsize(size));
    if (std::size_t(in.gcount()) != size) {
        frame.body.resize(std::size_t(in.gcount()));
        frame.kind = Frame::Kind::CutShort;
        frame.problem = "the input ended inside a message (Content-Length " + length + ", " +
                        std::to_string(frame.body.size()) + " bytes came)";
        return frame;
    }
    frame.kind = Frame::Kind::Body;
    return frame;
}

Incoming ReadMessage(std::istream& in) {
    Incoming result;
    Frame frame = ReadFrame(in);
    result.problem = std::move(frame.problem);
    switch (frame.kind) {
        case Frame::Kind::End:
            return result;
        case Frame::Kind::CutShort:
            result.kind = Incoming::Kind::CutShort;
            return result;
        case Frame::Kind::BadHeader:
            result.kind = Incoming::Kind::BadHeader;
            return result;
        case Frame::Kind::TooLarge:
            result.kind = Incoming::Kind::TooLarge;
            return result;
        case Frame::Kind::Body:
            break;
    }
    if (NestedDeeperThan(frame.body, kMaxJsonDepth)) {
        result.kind = Incoming::Kind::BadJson;
        result.problem =
            "JSON nested too deeply (more than " + std::to_string(kMaxJsonDepth) + " levels)";
        return result;
    }
    result.message = Json::parse(frame.body, nullptr, false);
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
