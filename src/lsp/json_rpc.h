// Messages of the language server protocol on a byte stream: each one a
// header block ("Content-Length: N", a blank line) followed by N bytes of
// JSON. Reading never trusts the header: a missing or absurd length, a
// body cut short and a body that is not JSON are told apart, so the server
// can answer each as the protocol says.
#pragma once

#include <istream>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace qel::lsp {

using Json = nlohmann::json;

// A body larger than this is refused: no editor sends a script that big, and
// reading it would hold the memory of a runaway header.
inline constexpr std::size_t kMaxMessageBytes = 64u << 20;

// A header line longer than this is no header an editor sends.
inline constexpr std::size_t kMaxHeaderLineBytes = 8192;

// One framed message before its JSON is looked at. The framing is shared by
// the language server and the debugger, so both refuse the same things:
//   Body       the body, exactly Content-Length bytes;
//   BadHeader  a header block without a usable Content-Length (not digits,
//              missing, a line too long); the block has been read past and
//              the next message can follow;
//   TooLarge   a Content-Length above kMaxMessageBytes; its body is not read,
//              so the stream is out of step and the caller ends;
//   CutShort   the input ended inside a message (header or body);
//   End        the input ended between messages.
struct Frame {
    enum class Kind { Body, BadHeader, TooLarge, CutShort, End } kind = Kind::End;
    std::string body;
    std::string problem;
};
Frame ReadFrame(std::istream& in);

struct Incoming {
    enum class Kind { Message, BadHeader, TooLarge, BadJson, CutShort, End } kind = Kind::End;
    Json message;
    std::string problem;
};

// Whether a JSON text nests arrays and objects deeper than `limit` (strings
// skipped). Checked before parsing: a message of a few megabytes of "[" would
// otherwise make millions of nested values.
bool NestedDeeperThan(std::string_view json, int limit);
inline constexpr int kMaxJsonDepth = 200;

// The next message, framed by ReadFrame and parsed.
Incoming ReadMessage(std::istream& in);

void WriteMessage(std::ostream& out, const Json& message);

}  // namespace qel::lsp
