// Commands, setting words and functions whose subsystem this build does not
// carry yet. They say so through the error routine rather than failing as
// unknown words or doing nothing.
#include "core/engine.h"
#include "core/parser.h"
#include "library/registry/library_state.h"
#include "library/registry/registry.h"

namespace qel {

void cmdNotBuilt(StatementRecord& record, Engine& engine) {
    engine.Report(ErrorId::NotBuiltYet, Args(record).head);
}

void setNotBuilt(StatementRecord& record, Engine& engine) {
    engine.Report(ErrorId::NotBuiltYet, Args(record).head);
}

void fnNotBuilt(Text& result, Text& args, Engine& engine) {
    (void)args;
    result.clear();
    engine.Report(ErrorId::NotBuiltYet, libraryState(engine).currentFunctionName);
}

}  // namespace qel
