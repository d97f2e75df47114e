// Talking to the user: 表示 (message boxes), the dialogs 質問 and 入力,
// 待て, 休憩, 待機, 報告, 印刷, and the title.
#include <cmath>
#include "library/media/media.h"

#include "core/engine.h"
#include "core/parser.h"
#include "library/objects/event_functions.h"
#include "library/objects/objects.h"
#include "library/registry/arguments.h"
#include "library/registry/standard_library.h"
#include "library/textio/message_channel.h"
#include "library/textio/textio.h"
#include "text/number.h"
#include "ui/objects.h"
#include "ui/tray.h"

namespace qel {

namespace {

constexpr int kStyleTable = 201;

// A style text evaluated with the style names of resource table 201 in force
// (警告＋はいといいえ is 52); a text that is not a number counts as 0.
int styleNumber(Engine& engine, TextView styleText) {
    if (text::trimBlanks(styleText).empty()) return 0;
    Text value = engine.EvalWithConstants(kStyleTable, styleText);
    auto number = number::parse(value);
    // Box styles are small bit sets; a number no style can be (huge, not
    // finite) counts as no style rather than wrapping into some other one.
    if (!number || !std::isfinite(*number) || std::fabs(*number) > 2147483647.0) return 0;
    return static_cast<int>(std::lround(*number));
}

// A balloon at the tray icon; without windows at all the user is told as
// the icon's fall-back would.
void showBalloon(Engine& engine, const Text& message, int style) {
    if (ui::ObjectModel::available(engine)) {
        ui::ShowTrayBalloon(engine, objectModel(engine), message, style);
        return;
    }
    const BalloonIcon icon = style == 48   ? BalloonIcon::Warning
                             : style == 16 ? BalloonIcon::Error
                                           : BalloonIcon::Information;
    engine.ui().notify(engine.appTitle, message, int(icon));
}

}  // namespace

namespace {
// The message, place and style texts of a 表示 statement as its first
// execution read them. The message is read before で is bound, and binding
// で marks the statement for good: read again on a later pass, a message
// holding で (「a」で「b」を表示) would lose its first part.
struct DisplayArguments : RecordCache {
    bool ready = false;
    Text subject;
    Text heArg;
    Text styleArg;
};
}  // namespace

void cmdDisplay(StatementRecord& record, Engine& engine) {
    DisplayArguments& bound = recordCache<DisplayArguments>(record);
    if (!bound.ready) {
        bound.subject = Args(record).woArg;
        if (bound.subject.empty()) bound.subject = AskParticle(record, u"と");
        bound.heArg = Args(record).heArg;
        bound.styleArg = AskParticle(record, u"で");
        bound.ready = true;
    }
    const Text& subject = bound.subject;
    if (subject.empty()) {
        engine.Report(ErrorId::UnknownCommand, record.source);
        return;
    }
    const Text& heArg = bound.heArg;
    const Text& styleArg = bound.styleArg;
    if (heArg == u"タスクトレイ") {
        showBalloon(engine, engine.EvalText(subject), styleNumber(engine, styleArg));
        return;
    }
    if (ShowObjectNamed(engine, subject, styleArg, heArg)) return;
    Text message = engine.EvalText(subject);
    int style = styleNumber(engine, styleArg);
    engine.ui().messageBox({message, style, engine.appTitle, BoxPurpose::Message});
}

void fnAsk(Text& result, Text& args, Engine& engine) {
    std::vector<Text> parts = UnpackArgs(engine, args, false, 3);
    Text caption = parts[2].empty() ? Text() : engine.EvalText(parts[2]);
    if (caption.empty()) caption = engine.appTitle;
    Text message = engine.EvalText(parts[0]);
    int style = styleNumber(engine, parts[1]);
    int button = engine.ui().messageBox({message, style, caption, BoxPurpose::Question});
    result = number::format(button);
}

void fnInput(Text& result, Text& args, Engine& engine) {
    std::vector<Text> parts = UnpackArgs(engine, args, true, 3);
    // The caption is evaluated once, like the prompt and the default: a
    // second pass would turn a caption such as 「1+1」 or one that happens to
    // spell a variable's name into something the script never wrote.
    Text caption = parts[2].empty() ? engine.appTitle : parts[2];
    std::optional<Text> typed = engine.ui().inputBox(parts[0], caption, parts[1]);
    result = typed ? std::move(*typed) : Text();
}

void cmdWait(StatementRecord& record, Engine& engine) {
    if (Args(record).woArg.empty()) {
        engine.Report(ErrorId::CommandNumberMissing);
        return;
    }
    double seconds = engine.EvalNumber(Args(record).woArg);
    UiHost& ui = engine.ui();
    Clock& clock = engine.clock();
    const double deadline = clock.monotonicMs() + seconds * 1000.0;
    // Each pass counts as a step of the run, so an interrupt from the
    // terminal ends a long (or endless: 待て 1E+300) wait too.
    while (clock.monotonicMs() < deadline && !engine.loopPassCheck()) {
        ui.pumpEvents();
        EventsPump(engine);
        ui.sleepMs(10);
    }
}

void cmdRest(StatementRecord& record, Engine& engine) {
    (void)record;
    engine.ui().pumpEvents();
    EventsPump(engine);
    PollMessageChannel(engine);
}

// Runs event procedures until the script is stopped (終了 in one of them, an
// interrupt). When nothing could ever raise an event — no window, timer or
// tray icon on the host and no message channel open, as on the console — the
// wait ends at once instead of hanging: the script then ends normally.
void cmdIdle(StatementRecord& record, Engine& engine) {
    (void)record;
    UiHost& ui = engine.ui();
    ObjectsAtRest(engine);
    for (;;) {
        ui.pumpEvents();
        EventsPump(engine);
        if (engine.loopPassCheck()) return;
        const bool listening = MessageChannelListening(engine);
        if (listening) PollMessageChannel(engine);
        if (engine.stopRequested) return;
        MediaRepeatCheck(engine);
        // On a console nobody can click: only a running timer can still act.
        // A replayed session that has delivered everything: running timers
        // do not keep the script waiting (the session decides its end).
        if (EventsReplayExhausted(engine)) return;
        if (!listening && !EventsReplayPending(engine) && !ui.hasEventSources() &&
            !ObjectsCanAct(engine))
            return;
        ui.sleepMs(20);
    }
}

void cmdReport(StatementRecord& record, Engine& engine) {
    if (engine.runEnvironment != RunEnvironment::Editor) return;
    engine.RaiseHostEvent(2, u"報告", engine.EvalText(Args(record).woArg));
}

void cmdPrint(StatementRecord& record, Engine& engine) {
    // "テキスト1の内容を印刷" names the object before the last の.
    TextView subject = Args(record).woArg;
    std::size_t of = subject.rfind(u'の');
    TextView objectName = of == TextView::npos ? subject : subject.substr(0, of);
    const bool onNewPage = Args(record).heArg == u"次ページ";
    if (!objectName.empty() && libraryOf(engine).objectExists(objectName, engine)) {
        if (!PrintObjectNamed(engine, objectName, onNewPage))
            engine.Report(ErrorId::ObjectCannotPrint, objectName);
        return;
    }
    Text content = engine.EvalText(subject);
    std::string problem = engine.ui().printText(content, onNewPage);
    if (!problem.empty()) engine.Report(ErrorId::CannotPrint, text::fromUtf8(problem));
}

void setTitle(StatementRecord& record, Engine& engine) {
    engine.appTitle = engine.EvalText(Args(record).woArg);
    engine.ui().setApplicationTitle(engine.appTitle);
}

}  // namespace qel
