// qelscript --dap: the debugger, speaking the Debug Adapter Protocol. The
// script runs on a thread of its own, so that the protocol is read (pause,
// stop, breakpoints) while it runs; everything that looks into the engine
// is done on the script's thread while it stands paused.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace qel {

// Reads requests from `in` (Content-Length framed) until a disconnect or the
// end of input, and hands each framed response and event to `write`.
// Returns the process exit status: 0 after a disconnect, 1 when the input
// ended without one.
int RunDebugAdapter(std::istream& in, const std::function<void(const std::string&)>& write);

// RunDebugAdapter on standard input and output (qelscript --dap).
int RunDebugAdapterOnStdio();

// Reads one framed message body; false at the end of input. A header block
// without a usable Content-Length gives true with `problem` set (the body is
// then empty and the reader has moved past the block).
constexpr std::size_t kMaxMessageBytes = 64u << 20;
bool ReadDapMessage(std::istream& in, std::string& body, std::string& problem);

}  // namespace qel
