// Ending the session, shared by the session commands and 終了 ウィンドウズ.
#pragma once

#include "platform/ports/platform.h"

namespace qel {

class Engine;

// Asks the protection check (system class) and then the system to end the
// session or the machine's work; a refusal is reported.
void EndSessionCommand(Engine& engine, SessionAction action);

}  // namespace qel
