// Setting words that act on the engine itself.
#include "core/engine.h"
#include "core/parser.h"
#include "library/control/control.h"
#include "library/registry/library_state.h"

namespace qel {

namespace {
// The right-hand side as written, with one pair of 「」 removed: these words
// name modes and procedures and must not be evaluated (evaluating a procedure
// name would run the procedure).
Text literalOf(TextView text) {
    TextView t = text::trimBlanks(text);
    if (t.size() >= 2 && t.front() == u'「' && t.back() == u'」') t = t.substr(1, t.size() - 2);
    return Text(t);
}
}  // namespace

void setErrorMode(StatementRecord& record, Engine& engine) {
    Text mode = literalOf(Args(record).woArg);
    auto& errors = engine.errors;
    if (mode == u"表示") {
        errors.errorMode = ErrorMode::Show;
    } else if (mode == u"無視") {
        errors.errorMode = ErrorMode::Ignore;
    } else if (mode == u"続ける") {
        errors.errorMode = ErrorMode::Continue;
    } else if (mode == u"報告") {
        errors.errorMode = ErrorMode::Report;
    } else {
        errors.errorMode = ErrorMode::Procedure;
        errors.errorProcedure = mode;
    }
}

// The names are taken from the list once per statement: a procedure that
// declares locals declares them on every call.
void setLocals(StatementRecord& record, Engine& engine) {
    struct LocalsCache : RecordCache {
        bool parsed = false;
        std::vector<Text> names;
    };
    LocalsCache& cache = recordCache<LocalsCache>(record);
    if (!cache.parsed) {
        cache.names = Engine::LocalNames(Args(record).woArg);
        cache.parsed = true;
    }
    engine.DeclareLocals(cache.names);
}

void setProgressProcedure(StatementRecord& record, Engine& engine) {
    libraryState(engine).progressProcedure = Args(record).woArg;
}

void setStartupText(StatementRecord& record, Engine& engine) {
    if (engine.runEnvironment == RunEnvironment::Editor) {
        engine.commandLineText = engine.EvalText(Args(record).woArg);
    }
}

}  // namespace qel
