// Functions that report the engine's own state.
#include "core/engine.h"
#include "core/paths.h"
#include "library/control/control.h"
#include "library/control/version.h"
#include "text/number.h"

namespace qel {

void fnAnswer(Text& result, Text&, Engine& engine) {
    result = engine.answer;
}
void fnNewLine(Text& result, Text&, Engine&) {
    result = Text(kCRLF);
}
void fnTab(Text& result, Text&, Engine&) {
    result = u"\t";
}

void fnRunKind(Text& result, Text&, Engine& engine) {
    switch (engine.runEnvironment) {
        case RunEnvironment::CreatedByProgram:
            result = u"QelA";
            break;
        case RunEnvironment::Editor:
            result = u"エディタ";
            break;
        case RunEnvironment::ScriptFile:
            result = u"Qelファイル";
            break;
        case RunEnvironment::StandAlone:
            result = u"実行ファイル";
            break;
    }
}

void fnVersion(Text& result, Text&, Engine&) {
    result = versionText();
}

void fnLastUpdated(Text& result, Text&, Engine& engine) {
    auto seconds = engine.files().modifiedTime(engine.files().executablePath());
    if (!seconds) return;
    Clock& clock = engine.clock();
    result = dateTimeText(clock.localTime(Clock::wholeSeconds(*seconds)));
}

void fnErrorMessage(Text& result, Text&, Engine& engine) {
    result = engine.errors.lastErrorMessage;
}
void fnErrorNumber(Text& result, Text&, Engine& engine) {
    result = number::format(engine.errors.lastErrorNumber);
}
void fnErrorFile(Text& result, Text&, Engine& engine) {
    result = engine.errors.errorFile;
}
void fnErrorLine(Text& result, Text&, Engine& engine) {
    result = number::format(engine.errors.errorLine);
}
void fnCommandLine(Text& result, Text&, Engine& engine) {
    result = engine.commandLineText;
}
void fnTitle(Text& result, Text&, Engine& engine) {
    result = engine.appTitle;
}
void fnUptime(Text& result, Text&, Engine& engine) {
    result = number::format(engine.clock().monotonicMs() / 1000.0);
}

}  // namespace qel
