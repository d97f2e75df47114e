#include "library/registry/rows.h"
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

bool Register(KeyedTable& registry, CommandHandler command, FunctionHandler function,
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
        ok = registry.add(name, std::move(entry)) && ok;
    }
    return ok;
}

KeyedTable BuildCommandRegistry() {
    KeyedTable registry;
    for (const auto& row : commandRows()) Register(registry, row.handler, nullptr, row.names, row.flags, row.particles);
    return registry;
}

KeyedTable BuildSettingRegistry() {
    KeyedTable registry;
    for (const auto& row : settingRows()) Register(registry, row.handler, nullptr, row.names, row.flags, row.particles);
    return registry;
}

KeyedTable BuildFunctionRegistry() {
    KeyedTable registry;
    for (const auto& row : functionRows()) Register(registry, nullptr, row.handler, row.names, row.flags, row.particles);
    return registry;
}

}  // namespace qel
