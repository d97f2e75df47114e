// Tables: texts of rows (CR LF) and cells (","), read, searched, changed and summed up.
#pragma once

#include "core/cmd_data.h"

namespace qel {

// Functions.
FunctionFn fnArrayCount, fnArraySearch, fnArrayExtract, fnArrayJudge, fnColumnSearch, fnArrayDelete,
    fnArrayInsert, fnArrayMap, fnColumnExtract, fnSum, fnAverage, fnMax, fnMin, fnStandardScore;

// Commands.
CommandFn cmdSort, cmdInsert;

}  // namespace qel
