// Dates and times: the clock, the parts of a date, and date arithmetic.
#pragma once

#include "core/cmd_data.h"

namespace qel {

void fnNow(Text& result, Text& args, Engine& engine);
void fnToday(Text& result, Text& args, Engine& engine);
void fnTimeNow(Text& result, Text& args, Engine& engine);
void fnTimer(Text& result, Text& args, Engine& engine);
void fnYear(Text& result, Text& args, Engine& engine);
void fnMonth(Text& result, Text& args, Engine& engine);
void fnDay(Text& result, Text& args, Engine& engine);
void fnHour(Text& result, Text& args, Engine& engine);
void fnMinute(Text& result, Text& args, Engine& engine);
void fnSecond(Text& result, Text& args, Engine& engine);
void fnWeekday(Text& result, Text& args, Engine& engine);
void fnWeekdayName(Text& result, Text& args, Engine& engine);
void fnDateAdd(Text& result, Text& args, Engine& engine);
void fnDateDiff(Text& result, Text& args, Engine& engine);
void fnDateValue(Text& result, Text& args, Engine& engine);
void fnTimeValue(Text& result, Text& args, Engine& engine);

}  // namespace qel
