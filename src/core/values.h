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

// Writes cell c (c >= 1) of the list held in text[start, end), in place:
// the list's "、" and "，" separators are rewritten as "," first, and cells
// are added when the list is shorter.
void writeCell(Text& text, std::size_t start, std::size_t end, long long c, TextView value);

// Dictionaries: lines key=value separated by CR LF; a line break inside a
// value is stored as {/n}. Keys compare exactly.
Text DictGet(TextView dict, TextView key);
Text DictSet(TextView dict, TextView key, TextView value);

// Splits an argument list at the first separator kind present outside
// brackets: "," if any, else "、", else "，" (each occurrence of that kind).
std::vector<Text> splitArguments(TextView list);

}  // namespace qel::values
