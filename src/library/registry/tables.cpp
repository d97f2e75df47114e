#include "library/registry/tables.h"
#include <algorithm>

namespace qel {

namespace {

std::vector<Text> splitCsv(TextView csv) {
    std::vector<Text> parts;
    if (csv.empty()) return parts;
    std::size_t start = 0;
    for (std::size_t p = csv.find(u','); p != TextView::npos; p = csv.find(u',', start)) {
        parts.emplace_back(csv.substr(start, p - start));
        start = p + 1;
    }
    parts.emplace_back(csv.substr(start));
    return parts;
}

}  // namespace

bool Register(KeyedTable& table, CommandHandler command, FunctionHandler function,
              TextView namesCsv, int16_t flags, TextView particlesCsv) {
    if (!particlesCsv.empty() && flags == 0) {
        flags = static_cast<int16_t>(std::count(particlesCsv.begin(), particlesCsv.end(), u','));
    }
    std::vector<Text> particles = splitCsv(particlesCsv);
    bool ok = true;
    for (const Text& name : splitCsv(namesCsv)) {
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
