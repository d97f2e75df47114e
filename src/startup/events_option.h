// --events FILE: a replayed user session for the script's windows.
#pragma once

#include <iosfwd>
#include <string>

namespace qel {

class Engine;

// Reads the session and hands it to the engine's event dispatch. False, with
// the reason written to `err`, when the file cannot be read or a line is not
// an action. Problems met while replaying (a name that names nothing) are
// written to `err` when they happen and counted in `problems`.
bool AttachEventsFile(Engine& engine, const std::string& path, std::ostream& err, int& problems);

}  // namespace qel
