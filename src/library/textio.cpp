// Talking to the user: 表示 (message boxes), 待て, 休憩, and the title.
#include <cmath>

#include "core/engine.h"
#include "core/parser.h"
#include "core/text/number.h"
#include "library/handlers.h"

namespace qel {

namespace {

constexpr int kStyleTable = 201;

// A style text evaluated with the style names of table 201 in force
// (警告＋はいといいえ is 52); a text that is not a number counts as 0.
int styleNumber(Engine& engine, TextView styleText) {
    if (text::trimBlanks(styleText).empty()) return 0;
    Text value = engine.EvalWithConstants(kStyleTable, styleText);
    auto number = number::parse(value);
    return number ? static_cast<int>(std::lround(*number)) : 0;
}

}  // namespace

void cmdDisplay(StatementRecord& record, Engine& engine) {
    Text subject = record.woArg;
    if (subject.empty()) subject = AskParticle(record, u"と");
    if (subject.empty()) {
        engine.ReportErrorNo(1, 64, record.source);
        return;
    }
    Text heArg = record.heArg;
    record.extraArg = AskParticle(record, u"で");
    if (heArg == u"タスクトレイ") {
        engine.ReportError(u"「%1」は、このビルドではまだ使えません。", 997, 48, u"タスクトレイへの表示");
        return;
    }
    Text message = engine.EvalText(subject);
    int style = styleNumber(engine, record.extraArg);
    engine.ui().messageBox({message, style, engine.appTitle, BoxPurpose::Message});
}

void cmdWait(StatementRecord& record, Engine& engine) {
    if (record.woArg.empty()) {
        engine.ReportErrorNo(36, 64);
        return;
    }
    double seconds = engine.EvalNumber(record.woArg);
    UiHost& ui = engine.ui();
    const double deadline = ui.clockMs() + seconds * 1000.0;
    while (ui.clockMs() < deadline && !engine.stopRequested) {
        ui.pumpEvents();
        ui.sleepMs(10);
    }
}

void cmdRest(StatementRecord& record, Engine& engine) {
    (void)record;
    engine.ui().pumpEvents();
}

void setTitle(StatementRecord& record, Engine& engine) {
    engine.appTitle = engine.EvalText(record.woArg);
    engine.ui().setApplicationTitle(engine.appTitle);
}

}  // namespace qel
