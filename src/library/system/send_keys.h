// The send-keys notation of 入力 and the virtual-key codes of 入力２, turned
// into the key strokes the KeySender port types.
#pragma once

#include <optional>
#include <vector>

#include "platform/ports/platform.h"
#include "text/text.h"

namespace qel {

// The notation: a character types itself; "~" is Enter; "+", "^" and "%" hold
// Shift, Ctrl and Alt for the next key or for a group in "( )"; braces name a
// key ({ENTER}, {TAB}, {BS}, {F1} … {F24}, {LEFT} …) or quote a character
// ({+}, {{}, {}}, {~}), and a count after a blank repeats it ({a 3},
// {LEFT 2}). A line break in the text is Enter. False, with the reason, for
// text that does not follow the notation.
bool ParseSendKeys(TextView keys, std::vector<KeyStroke>& strokes, Text& problem);

// The key a virtual-key code (0–255) stands for, as the keyboard of the
// language's home system numbers them: 0x41 is the A key (typing "a"), 0x61
// the 1 of the numeric pad, 0x70 F1. Nothing for codes without a key.
std::optional<KeyStroke> VirtualKeyStroke(int code);

}  // namespace qel
