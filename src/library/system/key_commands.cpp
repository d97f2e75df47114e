// 入力 and 入力２: typing keys into another program's window.
#include <cmath>

#include "core/engine.h"
#include "core/parser.h"
#include "library/settings/protection.h"
#include "library/system/send_keys.h"
#include "library/system/system.h"
#include "text/number.h"

namespace qel {

namespace {

// The pause between the raw key presses of 入力２, which lets slow programs
// keep up.
constexpr int kRawKeyPauseMs = 50;

void reportKeys(Engine& engine, const KeyStatus& status, TextView target) {
    if (status.fault == KeyFault::NoWindow) {
        engine.Report(ErrorId::WindowNotFound, target);
    } else {
        engine.Report(ErrorId::KeysNotSent, text::fromUtf8(status.message));
    }
}

// Keys typed into another program make it do whatever they ask (a shell
// runs what is typed), so they are a system operation, like starting it.
void typeKeys(StatementRecord& record, Engine& engine, bool raw) {
    if (!CheckProtection(engine, Guard::System)) return;
    Text keys = engine.EvalText(Args(record).woArg);
    std::vector<KeyStroke> strokes;
    if (raw) {
        // Each character's code page 932 code is a virtual-key code; a
        // character with a two-byte code (or none) has no key and is skipped.
        for (char16_t c : keys) {
            int code = text::cp932Code(c);
            if (code < 0 || code > 0xFF) continue;
            if (auto stroke = VirtualKeyStroke(code)) strokes.push_back(*stroke);
        }
    } else {
        Text problem;
        // The whole text is checked before anything is typed: a mistake at
        // its end must not leave half the keys sent.
        if (!ParseSendKeys(keys, strokes, problem)) {
            engine.Report(ErrorId::KeysNotSent, problem);
            return;
        }
    }
    KeySender* sender = engine.platform.keys.get();
    if (!sender) {
        engine.Report(ErrorId::KeysNotSent, u"このビルドはキーを送ることができません。");
        return;
    }
    UiHost& ui = engine.ui();
    if (!Args(record).heArg.empty()) {
        Text target = engine.EvalText(Args(record).heArg);
        ui.pumpEvents();
        std::optional<std::int64_t> task;
        if (auto n = number::parse(target)) {
            // A task number that no process can have still names no window.
            task = (std::isfinite(*n) && *n >= 0 && *n < 9.2e18 && *n == std::floor(*n))
                       ? std::int64_t(*n)
                       : std::int64_t(-1);
        }
        KeyStatus status = sender->activate(task, target);
        if (!status) {
            reportKeys(engine, status, target);
            return;
        }
    }
    if (raw) {
        for (const KeyStroke& stroke : strokes) {
            KeyStatus status = sender->send({stroke});
            if (!status) {
                reportKeys(engine, status, {});
                return;
            }
            ui.sleepMs(kRawKeyPauseMs);
        }
    } else if (!strokes.empty()) {
        KeyStatus status = sender->send(strokes);
        if (!status) {
            reportKeys(engine, status, {});
            return;
        }
    }
    ui.pumpEvents();
}

}  // namespace

void cmdTypeKeys(StatementRecord& record, Engine& engine) {
    typeKeys(record, engine, false);
}
void cmdTypeRawKeys(StatementRecord& record, Engine& engine) {
    typeKeys(record, engine, true);
}

}  // namespace qel
