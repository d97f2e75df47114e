// The registry: the command, setting-word and function rows as data, and how
// they are built into the keyed registries that dispatch and calls search.
#pragma once

#include <vector>

#include "core/cmd_data.h"

namespace qel {

struct CommandRow {
    TextView names;  // aliases separated by ","
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
// Returns false when a name is already present (the built-in rows have no
// duplicates).
bool Register(KeyedTable& registry, CommandHandler command, FunctionHandler function,
              TextView namesCsv, int16_t flags, TextView particlesCsv);

KeyedTable BuildCommandRegistry();
KeyedTable BuildSettingRegistry();
KeyedTable BuildFunctionRegistry();

}  // namespace qel
