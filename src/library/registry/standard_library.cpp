#include "library/registry/standard_library.h"

#include "library/textio/message_channel.h"
#include "ui/properties.h"

namespace qel {

// Property reads inside expressions: a name that is no property of an
// existing object is left to the next meanings (a procedure, or itself).
bool StandardLibrary::readProperty(TextView name, TextView arg, Text& result, Engine& engine) {
    if (name.find(u'の') == TextView::npos || !ui::ObjectModel::available(engine)) return false;
    auto value = ui::GetProperty(engine, objects_, name, arg, true);
    if (!value) return false;
    result = std::move(*value);
    return true;
}

// A property assignment statement: when the object exists and has the
// property, it is set, whether or not the property can be read (追加, 削除
// can only be set); otherwise the statement stores a variable.
bool StandardLibrary::writeProperty(TextView target, TextView rawValue, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return false;
    return ui::SetProperty(engine, objects_, target, rawValue, true) == ui::SetOutcome::Done;
}

bool StandardLibrary::objectExists(TextView name, Engine& engine) {
    if (!ui::ObjectModel::available(engine)) return false;
    return objects_.ResolveObject(engine, name, true) != nullptr;
}

void StandardLibrary::resetRun(Engine& engine) {
    state_.resetRun();
    objects_.reset(engine);
}

LibraryState& libraryState(Engine& engine) {
    return libraryOf(engine).state();
}
const LibraryState& libraryState(const Engine& engine) {
    return static_cast<StandardLibrary&>(engine.library).state();
}

void StandardLibrary::teardownRun(Engine& engine) {
    EndMessageChannel(engine);
    engine.ui().endPrintJob();
}

}  // namespace qel
