// qelscript --dap: the debugger, speaking the Debug Adapter Protocol. The
// script runs on a thread of its own, so that the protocol is read (pause,
// stop, breakpoints) while it runs; everything that looks into the engine
// is done on the script's thread while it stands paused.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

namespace qel {

// Reads requests from `in` (framed as the language server's are, lsp::ReadFrame) until a disconnect
// or the end of input, and hands each framed response and event to `write`. Returns the process
// exit status: 0 after a disconnect, 1 when the input ended without one.
int RunDebugAdapter(std::istream& in, const std::function<void(const std::string&)>& write);

// RunDebugAdapter on standard input and output (qelscript --dap).
int RunDebugAdapterOnStdio();

}  // namespace qel
