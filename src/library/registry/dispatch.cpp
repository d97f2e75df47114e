// Command dispatch: from a statement's verb to its handler. The handler found
// on a statement's first execution is kept for the rest of the run.
#include "core/parser.h"
#include "library/control/control.h"
#include "library/control/control_flow.h"
#include "library/objects/objects.h"
#include "library/registry/rows.h"
#include "library/registry/script_fault.h"
#include "library/registry/standard_library.h"
#include "library/settings/protection.h"
#include "text/brackets.h"
#include "ui/plugin_objects.h"

namespace qel {

using text::npos;

StandardLibrary::StandardLibrary()
    : commands_(BuildCommandRegistry()),
      settings_(BuildSettingRegistry()),
      functions_(BuildFunctionRegistry()) {
    // Making a plug-in object is calling outside code.
    objects_.pluginAllowed = [](Engine& engine) {
        return CheckProtection(engine, Guard::NativeCalls);
    };
}

StandardLibrary& libraryOf(Engine& engine) {
    return static_cast<StandardLibrary&>(engine.library);
}

namespace {

std::size_t findNoFromSecond(TextView text) {
    return text.size() < 2 ? npos : text::findOutside(text, u"の", text::kSyntaxBrackets, 1);
}

// The argument a plug-in verb is given. It is not evaluated: the plug-in
// may not know the verb, and the statement then goes on as an ordinary one
// that evaluates its own arguments. Only a quoted text loses its quotes and a
// variable's name gives its value, neither of which can fail.
Text pluginArgument(Engine& engine, TextView written) {
    TextView trimmed = text::trimBlanks(written);
    if (trimmed.size() >= 2 && trimmed.front() == u'「' && trimmed.back() == u'」')
        return Text(trimmed.substr(1, trimmed.size() - 2));
    bool notFound = false;
    Text value = engine.GetVariable(trimmed, notFound);
    return notFound ? Text(trimmed) : value;
}

}  // namespace

// A statement addressed to an object named before "の": a plug-in object,
// which is offered the verb first, or the calling program, which is offered
// it as a host command. True when the statement was handled.
bool StandardLibrary::tryCaller(StatementRecord& record, Engine& engine) {
    Text object, verb, argument;
    if (std::size_t p = findNoFromSecond(Args(record).head); p != npos) {
        object = Args(record).head.substr(0, p);
        verb = Args(record).head.substr(p + 1);
        argument = Args(record).woArg;
    } else if (std::size_t q = findNoFromSecond(record.source); q != npos) {
        object = record.source.substr(0, q);
        verb = Args(record).head;
        if (object.size() + 1 < Args(record).woArg.size())
            argument = Args(record).woArg.substr(object.size() + 1);
    } else {
        object = Args(record).woArg;
        verb = Args(record).head;
    }
    if (auto plugin = objects_.findPlugin(engine, object)) {
        if (object.size() < Args(record).head.size() &&
            Args(record).head.starts_with(object + u"の"))
            Args(record).head = verb;
        PluginAnswer answer = plugin->RunCmd(verb, pluginArgument(engine, argument));
        if (answer.status == PluginStatus::Failed) {
            ui::ReportPluginFailure(engine, answer.text);
            return true;
        }
        if (answer.status == PluginStatus::NotHandled) return false;
        engine.answer = answer.text;
        return true;
    }
    if (object != u"呼び出し元") return false;
    return engine.RaiseHostEvent(2, verb, argument) == u"True";
}

// User procedures come after exact command names and before the search for a
// command name inside the verb.
bool StandardLibrary::tryProcedures(StatementRecord& record, Engine& engine) {
    engine.answer.clear();
    if (engine.CallProcedure(record.source, {}, true, &record)) {
        record.kind = StatementKind::ProcCall;
        return true;
    }
    if (engine.CallProcedure(Args(record).head, record.source, true, &record)) {
        record.kind = StatementKind::ProcCallWithArgs;
        return true;
    }
    for (const auto& [key, entry] : engine.procedures.inOrder()) {
        std::size_t p = text::findOutside(Args(record).head, key, text::kSyntaxBrackets, 1);
        if (p != npos) {
            // The body may change the procedure table; keep the name.
            Text name = key;
            engine.CallProcedure(name, record.source, true, &record);
            return true;
        }
    }
    return false;
}

void StandardLibrary::runHandler(StatementRecord& record, Engine& engine) {
    runAtFaultBoundary(engine, {}, [&] { record.handler(record, engine); });
}

void StandardLibrary::applySetting(StatementRecord& record, Engine& engine) {
    if (record.handler) runHandler(record, engine);
}

xxCmdData* StandardLibrary::findContainedCommand(TextView head) const {
    for (const auto& [key, entry] : commands_.inOrder()) {
        (void)key;
        if (head.find(entry->Name) != npos) return entry.get();
    }
    return nullptr;
}

std::unique_ptr<CompiledStatement> StandardLibrary::compileStatement(StatementRecord& record,
                                                                     Engine& engine) {
    if (record.kind == StatementKind::If) return compileConditional(record, engine);
    if (record.kind == StatementKind::Command && record.handler == cmdLeave)
        return compileLeave(record, engine);
    return nullptr;
}

void StandardLibrary::dispatchCommand(StatementRecord& record, Engine& engine) {
    if (record.handler) {
        runHandler(record, engine);
        return;
    }
    if (tryCaller(record, engine)) return;
    xxCmdData* entry = commands_.find(Args(record).head);
    if (!entry) {
        if (tryProcedures(record, engine)) return;
        entry = findContainedCommand(Args(record).head);
    }
    if (entry && entry->command) {
        record.handler = entry->command;
        BindCommandParticles(record, entry->Joshi, entry->Name);
        runHandler(record, engine);
        return;
    }
    if (Args(record).head == u"\r") return;
    if (BrowserVerbNamed(record, engine)) return;
    engine.Report(ErrorId::UnknownCommand,
                  Args(record).head.empty() ? record.source : Args(record).head);
}

}  // namespace qel
