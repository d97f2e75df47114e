#include "library/registry/standard_library.h"

#include "library/textio/message_channel.h"

namespace qel {

// Objects (windows, controls) arrive with the object layer; until then no
// name is an object, so property reads fall through to the next meanings.
bool StandardLibrary::readProperty(TextView, TextView, Text&, Engine&) {
    return false;
}
bool StandardLibrary::writeProperty(TextView, TextView, Engine&) {
    return false;
}
bool StandardLibrary::objectExists(TextView, Engine&) {
    return false;
}

void StandardLibrary::resetRun(Engine&) {
    state_.resetRun();
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
