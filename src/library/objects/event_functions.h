// The functions that read the data of the last event (押したボタン, マウスの横,
// 押したキー …), and what the waits ask of the event dispatch.
#pragma once

#include "core/cmd_data.h"
#include "core/engine.h"

namespace qel {

FunctionFn fnPressedButton, fnMouseX, fnMouseY, fnScreenMouseX, fnScreenMouseY, fnPressedKey,
    fnPressedKeyCode, fnDroppedFiles, fnChosenFile, fnKeyState, fnActiveWindowName;

// One pass of a wait: timers tick where the host does not tick them, and a
// replayed session delivers its next action.
void EventsPump(Engine& engine);
// A replayed session has delivered everything: waits end instead of
// waiting for timers.
bool EventsReplayExhausted(Engine& engine);
// A replayed session still has actions to deliver: a wait has something to wait for.
bool EventsReplayPending(Engine& engine);

}  // namespace qel
