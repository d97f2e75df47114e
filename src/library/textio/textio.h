// Text I/O: messages, questions, waits, printing, the title, the channel between scripts.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Messages, dialogs, waits, printing and the title.
CommandFn cmdDisplay, cmdWait, cmdRest, cmdIdle, cmdReport, cmdPrint, setTitle;
FunctionFn fnAsk, fnInput;

// The message channel between scripts.
CommandFn cmdStart, cmdSend;
FunctionFn fnChannelMessage;

}  // namespace qel
