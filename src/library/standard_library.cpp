#include "library/standard_library.h"

namespace qel {

// もし arrives with the control-flow family; until then it says so.
void StandardLibrary::runConditional(StatementRecord& record, ProgramRecord& program, Engine& engine) {
    (void)program;
    engine.ReportError(u"「%1」は、このビルドではまだ使えません。", 997, 48, record.head);
}

// Objects (windows, controls) arrive with the object layer; until then no
// name is an object, so property reads fall through to the next meanings.
bool StandardLibrary::readProperty(TextView, TextView, Text&, Engine&) { return false; }
bool StandardLibrary::writeProperty(TextView, TextView, Engine&) { return false; }
bool StandardLibrary::objectExists(TextView, Engine&) { return false; }

void StandardLibrary::resetRun(Engine&) {}
void StandardLibrary::teardownRun(Engine&) {}

}  // namespace qel
