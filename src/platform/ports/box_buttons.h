// The buttons a message-box style number asks for: the low four bits choose
// the set (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No,
// 5 Retry/Cancel), 256 and 512 make the second or third button the default.
// Every host answers with the same button numbers (BoxAnswer).
#pragma once

#include <vector>

#include "platform/ports/ui_host.h"

namespace qel {

inline std::vector<int> boxButtons(int style) {
    switch (style & 0xF) {
        case 1:
            return {kOk, kCancel};
        case 2:
            return {kAbort, kRetry, kIgnore};
        case 3:
            return {kYes, kNo, kCancel};
        case 4:
            return {kYes, kNo};
        case 5:
            return {kRetry, kCancel};
        default:
            return {kOk};  // 0, and sets no box has: a plain OK
    }
}

// The button Enter presses.
inline int defaultButton(int style) {
    std::vector<int> buttons = boxButtons(style);
    std::size_t index = (style & 0x200) ? 2 : (style & 0x100) ? 1 : 0;
    return index < buttons.size() ? buttons[index] : buttons.front();
}

// The answer of a box closed without pressing a button (Escape, the window's
// close button, the end of the input it was read from): Cancel where the box
// has it; otherwise the answer that goes no further — No, Abort — and OK for
// a box that has nothing else.
inline int dismissButton(int style) {
    switch (style & 0xF) {
        case 1:
        case 3:
        case 5:
            return kCancel;
        case 2:
            return kAbort;
        case 4:
            return kNo;
        default:
            return kOk;
    }
}

}  // namespace qel
