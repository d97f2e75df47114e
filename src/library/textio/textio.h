// Text I/O: messages, questions, waits, printing, the title, the channel between scripts.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Messages, dialogs, waits, printing and the title.
void cmdDisplay(StatementRecord& record, Engine& engine);
void cmdWait(StatementRecord& record, Engine& engine);
void cmdRest(StatementRecord& record, Engine& engine);
void cmdIdle(StatementRecord& record, Engine& engine);
void cmdReport(StatementRecord& record, Engine& engine);
void cmdPrint(StatementRecord& record, Engine& engine);
void setTitle(StatementRecord& record, Engine& engine);
void fnAsk(Text& result, Text& args, Engine& engine);
void fnInput(Text& result, Text& args, Engine& engine);

// The message channel between scripts.
void cmdStart(StatementRecord& record, Engine& engine);
void cmdSend(StatementRecord& record, Engine& engine);
void fnChannelMessage(Text& result, Text& args, Engine& engine);

}  // namespace qel
