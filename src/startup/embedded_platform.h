// The ports of a run inside another program (an editor, a debugger, a host
// of the library): no windows of its own, the console host's boxes on the
// given streams, and the Linux implementations of everything else.
#pragma once

#include <iosfwd>

#include "platform/headless/console_host.h"
#include "platform/ports/platform.h"

namespace qel {

struct EmbeddedPlatform {
    Platform platform;
    ConsoleHost* console = nullptr;  // owned by platform.ui
};

// The ports every run has whatever its host: settings, the message channel,
// keys for other programs, reading aloud, transfers, archives, native calls,
// plug-ins, pictures, the clock and chance.
void AddMachinePorts(Platform& platform);

// What the script shows goes to `out`, its error reports to `err`; boxes
// that ask are answered from `in` (an empty stream cancels every one).
EmbeddedPlatform MakeEmbeddedPlatform(std::ostream& out, std::ostream& err, std::istream& in);

}  // namespace qel
