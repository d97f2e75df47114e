// The command, setting-word and function tables as data, and how they are
// built into keyed tables.
#pragma once

#include <vector>

#include "core/cmd_data.h"

namespace qel {

struct CommandRow {
    TextView names;      // aliases separated by ","
    int16_t flags;
    TextView particles;  // separated by ","
    CommandHandler handler;
};

struct FunctionRow {
    TextView names;
    int16_t flags;
    TextView particles;
    FunctionHandler handler;
};

const std::vector<CommandRow>& commandRows();
const std::vector<CommandRow>& settingRows();
const std::vector<FunctionRow>& functionRows();

// Adds one row: one entry per alias, sharing flags, particles and handler.
// With particles and flags 0, the flags become the particle count less one.
// Returns false when a name is already present (the built-in tables have
// no duplicates).
bool Register(KeyedTable& table, CommandHandler command, FunctionHandler function,
              TextView namesCsv, int16_t flags, TextView particlesCsv);

KeyedTable BuildCommandTable();
KeyedTable BuildSettingTable();
KeyedTable BuildFunctionTable();

}  // namespace qel
