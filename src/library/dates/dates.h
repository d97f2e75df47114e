// Dates and times: the clock, the parts of a date, and date arithmetic.
#pragma once

#include "core/cmd_data.h"

namespace qel {

FunctionFn fnNow, fnToday, fnTimeNow, fnTimer, fnYear, fnMonth, fnDay, fnHour, fnMinute, fnSecond,
    fnWeekday, fnWeekdayName, fnDateAdd, fnDateDiff, fnDateValue, fnTimeValue;

}  // namespace qel
