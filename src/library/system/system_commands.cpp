// Programs and the session: 起動, 起動して待, 再起動, ログオフ, 強制終了,
// スタンバイ (and 終了 ウィンドウズ), file associations, and what scripts may
// learn about the system.
#include "library/system/system_commands.h"

#include "core/engine.h"
#include "core/parser.h"
#include "library/objects/event_functions.h"
#include "library/registry/arguments.h"
#include "library/settings/protection.h"
#include "library/system/system.h"
#include "library/textio/message_channel.h"
#include "text/number.h"

namespace qel {

namespace {

constexpr int kProgramAliases = 203;
constexpr int kPollMs = 20;

SystemPort* systemOf(Engine& engine) {
    return engine.platform.system.get();
}

SystemStatus noSystem() {
    return {SystemFault::Refused, "このプログラムからはシステムを操作できません。"};
}

// The alias's first command line whose program is installed; the first one
// when none is, so that the error names something the user can install.
Text chooseInstalled(SystemPort* port, TextView choices) {
    std::vector<Text> lines;
    for (TextView choice : text::splitViews(choices, u"|"))
        lines.emplace_back(text::trimBlanks(choice));
    for (const Text& line : lines) {
        std::string program = text::toUtf8(line.substr(0, line.find(u' ')));
        if (port && port->programAvailable(program)) return line;
    }
    return lines.front();
}

// Blanks, tabs and the CR of files written on the old system.
TextView trimLine(TextView line) {
    auto isSpace = [](char16_t c) { return c == u'\t' || c == u'\r' || text::isBlank(c); };
    while (!line.empty() && isSpace(line.front())) line.remove_prefix(1);
    while (!line.empty() && isSpace(line.back())) line.remove_suffix(1);
    return line;
}

// "name=command line" lines of the user's own alias file; # starts a comment.
void addUserAliases(Engine& engine, KeyedTable& aliases) {
    SystemPort* port = systemOf(engine);
    if (!port) return;
    std::string folder;
    if (auto config = port->environmentVariable("XDG_CONFIG_HOME"); config && !config->empty())
        folder = *config;
    else if (auto home = port->environmentVariable("HOME"); home && !home->empty())
        folder = *home + "/.config";
    else
        return;
    std::string bytes;
    if (!engine.files().readFile(folder + "/qelscript/programs.conf", bytes)) return;
    Text content = text::isValidUtf8(bytes) ? text::fromUtf8(bytes) : text::fromCp932(bytes);
    for (TextView rawLine : text::splitViews(content, u"\n")) {
        TextView line = trimLine(rawLine);
        std::size_t eq = line.find(u'=');
        if (line.empty() || line[0] == u'#' || eq == TextView::npos) continue;
        Text name(trimLine(line.substr(0, eq)));
        if (name.empty()) continue;
        auto entry = std::make_shared<xxCmdData>();
        entry->Name = name;
        entry->Value = Text(trimLine(line.substr(eq + 1)));
        aliases.remove(name);
        aliases.add(name, entry);
    }
}

KeyedTable programAliases(Engine& engine) {
    KeyedTable aliases;
    for (const auto& [name, row] : engine.resourceConstants(kProgramAliases).inOrder()) {
        auto entry = std::make_shared<xxCmdData>();
        entry->Name = name;
        entry->Value = chooseInstalled(systemOf(engine), static_cast<const Text&>(row->Value));
        aliases.add(name, entry);
    }
    addUserAliases(engine, aliases);
    return aliases;
}

// The program argument evaluated with the aliases in force: メモ帳 names the
// desktop's text editor, a quoted command line stands for itself.
Text commandLineOf(Engine& engine, TextView programText) {
    KeyedTable aliases = programAliases(engine);
    Restore<const KeyedTable*> restore(engine.contextConstants);
    engine.contextConstants = &aliases;
    return engine.EvalText(programText);
}

WindowHint hintFor(Engine& engine, TextView styleText) {
    Text style(text::trimBlanks(styleText));
    if (style != u"裏" && style != u"最小化" && style != u"最大化" && !style.empty())
        style = engine.EvalText(style);
    if (style == u"裏") return WindowHint::MinimizedWithoutFocus;
    if (style == u"最小化") return WindowHint::Minimized;
    if (style == u"最大化") return WindowHint::Maximized;
    return WindowHint::Normal;
}

void reportSystemFault(Engine& engine, const SystemStatus& status, TextView subject) {
    switch (status.fault) {
        case SystemFault::None:
            return;
        case SystemFault::NotFound:
            engine.Report(ErrorId::NotFound, subject);
            return;
        case SystemFault::NotProgram:
            engine.Report(ErrorId::NotAProgram, subject);
            return;
        case SystemFault::Refused:
        case SystemFault::Other:
            engine.Report(ErrorId::UnknownFault, text::fromUtf8(status.message));
            return;
    }
}

// 起動 without its protection check; the task number, or nothing after a
// reported failure.
std::optional<std::int64_t> startProgram(StatementRecord& record, Engine& engine) {
    const WindowHint hint = hintFor(engine, AskParticle(record, u"で"));
    const Text commandLine = commandLineOf(engine, Args(record).woArg);
    // Nothing to start is not found, whichever port would have been asked.
    if (text::trimBlanks(commandLine).empty()) {
        engine.Report(ErrorId::NotFound, commandLine);
        return std::nullopt;
    }
    SystemPort* port = systemOf(engine);
    StartedProgram started =
        port ? port->startProgram(text::toUtf8(commandLine), hint) : StartedProgram{noSystem(), 0};
    if (!started.status) {
        reportSystemFault(engine, started.status, commandLine);
        return std::nullopt;
    }
    engine.answer = number::format(static_cast<double>(started.taskNumber));
    return started.taskNumber;
}

// Keeps windows, event procedures and the message channel alive while the
// program runs; a stop request or an interrupt ends the wait (the program
// goes on running).
void waitForProgram(Engine& engine, std::int64_t task) {
    SystemPort* port = systemOf(engine);
    UiHost& ui = engine.ui();
    // The script's windows stay alive meanwhile: clicks, timers and a
    // replayed session run their procedures as in 待機.
    while (port->isRunning(task)) {
        ui.pumpEvents();
        EventsPump(engine);
        if (engine.loopPassCheck()) return;
        if (MessageChannelListening(engine)) PollMessageChannel(engine);
        if (engine.stopRequested) return;
        ui.sleepMs(kPollMs);
    }
}

// The extension part of a "…の関連付け" text as written.
Text associationSubject(TextView written) {
    for (TextView suffix : {TextView(u"の関連付け"), TextView(u"の関連づけ")}) {
        if (text::endsWith(written, suffix))
            return Text(written.substr(0, written.size() - suffix.size()));
    }
    return Text(written);
}

std::string extensionOf(Engine& engine, TextView written) {
    Text extension(text::trimBlanks(engine.EvalText(written)));
    if (!extension.empty() && extension[0] == u'.') extension.erase(0, 1);
    return text::toUtf8(extension);
}

Text yesNo(bool value) {
    return value ? u"1" : u"0";
}

}  // namespace

void EndSessionCommand(Engine& engine, SessionAction action) {
    if (!CheckProtection(engine, Guard::System)) return;
    SystemPort* port = systemOf(engine);
    SystemStatus status = port ? port->endSession(action) : noSystem();
    // The old system let a refusal pass in silence; a script that goes on
    // after asking for a shutdown deserves to know it did not happen.
    if (!status) engine.Report(ErrorId::UnknownFault, text::fromUtf8(status.message));
}

void cmdStartProgram(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::System)) return;
    startProgram(record, engine);
}

void cmdStartAndWait(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::System)) return;
    if (auto task = startProgram(record, engine)) waitForProgram(engine, *task);
}

void cmdRestartSystem(StatementRecord&, Engine& engine) {
    EndSessionCommand(engine, SessionAction::Reboot);
}
void cmdLogOff(StatementRecord&, Engine& engine) {
    EndSessionCommand(engine, SessionAction::LogOff);
}
void cmdForcedLogOff(StatementRecord&, Engine& engine) {
    EndSessionCommand(engine, SessionAction::ForcedLogOff);
}
void cmdStandby(StatementRecord&, Engine& engine) {
    EndSessionCommand(engine, SessionAction::Suspend);
}

void cmdAssociate(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::Registry)) return;
    // Asking for the further particles first leaves を and へ holding only
    // their own arguments.
    const auto& extra = AskParticlesOnce(record, {u"として", u"で"});
    const Text descriptionText = extra[0];
    const Text iconText = extra[1];
    const Text extensionText = Args(record).woArg;
    const Text programText = Args(record).heArg;
    std::string extension = extensionOf(engine, extensionText);
    Text program = engine.EvalText(programText);
    Text description = descriptionText.empty() ? Text() : engine.EvalText(descriptionText);
    Text icon = iconText.empty() ? Text() : engine.EvalText(iconText);
    if (icon.empty()) icon = program;
    SystemPort* port = systemOf(engine);
    SystemStatus status = port ? port->associate(extension, text::toUtf8(program),
                                                 text::toUtf8(description), text::toUtf8(icon))
                               : noSystem();
    if (!status) engine.Report(ErrorId::RegistryWriteFailed, text::fromUtf8(status.message));
}

void cmdDeleteAssociation(StatementRecord& record, Engine& engine) {
    if (!CheckProtection(engine, Guard::System)) return;
    std::string extension = extensionOf(engine, associationSubject(Args(record).woArg));
    SystemPort* port = systemOf(engine);
    SystemStatus status = port ? port->removeAssociation(extension) : noSystem();
    if (!status)
        engine.Report(ErrorId::RegistryDeleteFailed, ErrorIcon::Stop,
                      text::fromUtf8(status.message));
}

void fnWindowsVersion(Text& result, Text&, Engine& engine) {
    if (SystemPort* port = systemOf(engine)) result = text::fromUtf8(port->facts().version);
}

void fnWindowsBuild(Text& result, Text&, Engine& engine) {
    if (SystemPort* port = systemOf(engine)) result = text::fromUtf8(port->facts().build);
}

void fnWindowsKind(Text& result, Text&, Engine& engine) {
    if (SystemPort* port = systemOf(engine)) result = text::fromUtf8(port->facts().kind);
}

void fnEnvironmentVariable(Text& result, Text& args, Engine& engine) {
    Text name = UnpackArgs(engine, args, true, 1)[0];
    SystemPort* port = systemOf(engine);
    if (name.empty() || !port) return;
    if (auto value = port->environmentVariable(text::toUtf8(name))) result = text::fromUtf8(*value);
}

// 起動中(task number): whether a program 起動 started still runs;
// 起動中(caption): whether a top-level window's caption contains it.
void fnIsRunning(Text& result, Text& args, Engine& engine) {
    Text subject = UnpackArgs(engine, args, true, 1)[0];
    SystemPort* port = systemOf(engine);
    if (!port || subject.empty()) {
        result = yesNo(false);
        return;
    }
    if (auto task = number::parse(subject)) {
        result = yesNo(*task >= 1 && *task <= 2147483647.0 &&
                       port->isRunning(static_cast<std::int64_t>(*task)));
        return;
    }
    bool found = false;
    for (const Text& caption : port->windowCaptions())
        found = found || caption.find(subject) != Text::npos;
    result = yesNo(found);
}

void fnRunningPrograms(Text& result, Text&, Engine& engine) {
    SystemPort* port = systemOf(engine);
    if (!port) return;
    for (const Text& caption : port->windowCaptions()) {
        if (caption.empty()) continue;
        if (!result.empty()) result += u",";
        result += caption;
    }
}

}  // namespace qel
