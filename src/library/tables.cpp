#include "library/tables.h"
#include <algorithm>

namespace qel {

namespace {

// The names of a row: "" names nothing, "a,,b" names a, "" and b.
std::vector<Text> namesOf(TextView csv) {
    return csv.empty() ? std::vector<Text>() : text::split(csv, u",");
}

}  // namespace

bool Register(KeyedTable& table, CommandHandler command, FunctionHandler function,
              TextView namesCsv, int16_t flags, TextView particlesCsv) {
    if (!particlesCsv.empty() && flags == 0) {
        flags = static_cast<int16_t>(std::count(particlesCsv.begin(), particlesCsv.end(), u','));
    }
    std::vector<Text> particles = namesOf(particlesCsv);
    bool ok = true;
    for (const Text& name : namesOf(namesCsv)) {
        auto entry = std::make_shared<xxCmdData>();
        entry->Name = name;
        entry->Flags = flags;
        entry->Joshi = particles;
        entry->command = command;
        entry->function = function;
        ok = table.add(name, std::move(entry)) && ok;
    }
    return ok;
}

KeyedTable BuildCommandTable() {
    KeyedTable table;
    for (const auto& row : commandRows()) Register(table, row.handler, nullptr, row.names, row.flags, row.particles);
    return table;
}

KeyedTable BuildSettingTable() {
    KeyedTable table;
    for (const auto& row : settingRows()) Register(table, row.handler, nullptr, row.names, row.flags, row.particles);
    return table;
}

KeyedTable BuildFunctionTable() {
    KeyedTable table;
    for (const auto& row : functionRows()) Register(table, nullptr, row.handler, row.names, row.flags, row.particles);
    return table;
}

}  // namespace qel
