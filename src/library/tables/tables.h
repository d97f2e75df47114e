// Tables: texts of rows (CR LF) and cells (","), read, searched, changed and summed up.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Functions.
void fnArrayCount(Text& result, Text& args, Engine& engine);
void fnArraySearch(Text& result, Text& args, Engine& engine);
void fnArrayExtract(Text& result, Text& args, Engine& engine);
void fnArrayJudge(Text& result, Text& args, Engine& engine);
void fnColumnSearch(Text& result, Text& args, Engine& engine);
void fnArrayDelete(Text& result, Text& args, Engine& engine);
void fnArrayInsert(Text& result, Text& args, Engine& engine);
void fnArrayMap(Text& result, Text& args, Engine& engine);
void fnColumnExtract(Text& result, Text& args, Engine& engine);
void fnSum(Text& result, Text& args, Engine& engine);
void fnAverage(Text& result, Text& args, Engine& engine);
void fnMax(Text& result, Text& args, Engine& engine);
void fnMin(Text& result, Text& args, Engine& engine);
void fnStandardScore(Text& result, Text& args, Engine& engine);

// Commands.
void cmdSort(StatementRecord& record, Engine& engine);
void cmdInsert(StatementRecord& record, Engine& engine);

}  // namespace qel
