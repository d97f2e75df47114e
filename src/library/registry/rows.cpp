#include "library/registry/rows.h"
#include <algorithm>

namespace qel {

namespace {

// The names of a row: "" names nothing, "a,,b" names a, "" and b.
std::vector<Text> namesOf(TextView csv) {
    return csv.empty() ? std::vector<Text>() : text::split(csv, u",");
}

}  // namespace

bool Register(KeyedTable& registry, CommandHandler command, FunctionHandler function,
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
        ok = registry.add(name, std::move(entry)) && ok;
    }
    return ok;
}

KeyedTable BuildCommandRegistry() {
    KeyedTable registry;
    for (const auto& row : commandRows())
        Register(registry, row.handler, nullptr, row.names, row.flags, row.particles);
    return registry;
}

KeyedTable BuildSettingRegistry() {
    KeyedTable registry;
    for (const auto& row : settingRows())
        Register(registry, row.handler, nullptr, row.names, row.flags, row.particles);
    return registry;
}

KeyedTable BuildFunctionRegistry() {
    KeyedTable registry;
    for (const auto& row : functionRows())
        Register(registry, nullptr, row.handler, row.names, row.flags, row.particles);
    return registry;
}

}  // namespace qel
