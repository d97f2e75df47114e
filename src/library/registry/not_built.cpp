// Commands, setting words and functions whose subsystem this build does not
// carry yet. They say so through the error routine rather than failing as
// unknown words or doing nothing.
#include "core/engine.h"
#include "library/registry/registry.h"

namespace qel {

namespace {
constexpr int kNotBuiltError = 997;
constexpr TextView kNotBuiltMessage = u"「%1」は、このビルドではまだ使えません。";
}  // namespace

void cmdNotBuilt(StatementRecord& record, Engine& engine) {
    engine.ReportError(kNotBuiltMessage, kNotBuiltError, 48, record.head);
}

void setNotBuilt(StatementRecord& record, Engine& engine) {
    engine.ReportError(kNotBuiltMessage, kNotBuiltError, 48, record.head);
}

void fnNotBuilt(Text& result, Text& args, Engine& engine) {
    (void)args;
    result.clear();
    engine.ReportError(kNotBuiltMessage, kNotBuiltError, 48, engine.currentFunctionName);
}

}  // namespace qel
