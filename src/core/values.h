// Text layouts of values: list cells with their escapes, and dictionaries.
#pragma once

#include <vector>

#include "text/text.h"

namespace qel::values {

// A value written into one cell is escaped so that it cannot break the
// layout of a list or table.
Text escapeCell(TextView value);
// Undoes escapeCell; a cell that reads as a number is returned unchanged.
Text unescapeCell(TextView cell);
// "、" and "，" separate cells as "," does; rewrites them as ",".
Text unifySeparators(TextView list);

// Dictionaries: lines key=value separated by CR LF; a line break inside a
// value is stored as {/n}. Keys compare exactly.
Text DictGet(TextView dict, TextView key);
Text DictSet(TextView dict, TextView key, TextView value);

// Splits an argument list at the first separator kind present outside
// brackets: "," if any, else "、", else "，" (each occurrence of that kind).
std::vector<Text> splitArguments(TextView list);

}  // namespace qel::values
