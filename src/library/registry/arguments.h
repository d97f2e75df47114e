// Binding a function call's argument text to the function's parameters, and
// the argument unpacking that handlers use.
#pragma once

#include <vector>

#include "core/cmd_data.h"

namespace qel {

class Engine;

// By particle when at least `entry.Flags` particle marks are found, else by
// position. By particle: one entry per particle (empty when absent).
std::vector<Text> BindFunctionArgs(TextView argText, const xxCmdData& entry);

// Splits a bound argument text at top-level separators ("," else "、" else
// "，"), after dropping one pair of surrounding （）. Returns exactly `count`
// pieces (missing ones empty), evaluated when asked.
std::vector<Text> UnpackArgs(Engine& engine, TextView argText, bool evaluate, std::size_t count);
// The same split, unevaluated, with as many pieces as the text holds.
std::vector<Text> SplitArgs(TextView argText);

// Calls a built-in function or a named constant; false when neither exists.
bool CallFunction(Engine& engine, const KeyedTable& functions, TextView name, TextView argText,
                  Text& result);

}  // namespace qel
