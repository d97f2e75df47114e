// The functions and setting words about where a script draws and the screen
// it draws on: the current container (場所) and its colour, background and
// mouse pointer, and the size of the screen.
#pragma once

#include "core/cmd_data.h"

namespace qel {

FunctionFn fnContainerName, fnContainerPointer, fnScreenWidth, fnScreenHeight;
CommandFn setContainerBackground, setContainerPointer;

}  // namespace qel
