// The functions and setting words about where a script draws and the desktop
// around it: the current container (場所) and its background and mouse
// pointer, the screen's size, the clipboard and the fonts.
#pragma once

#include "core/cmd_data.h"

namespace qel {

FunctionFn fnContainerName, fnContainerPointer, fnScreenWidth, fnScreenHeight, fnClipboardText,
    fnFontFamilies;
CommandFn setContainerBackground, setContainerPointer;

}  // namespace qel
