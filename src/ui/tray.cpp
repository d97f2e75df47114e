#include "ui/tray.h"

#include "core/engine.h"
#include "ui/events.h"
#include "ui/kinds.h"
#include "ui/objects.h"

namespace qel::ui {

namespace {

// The desktop's tray holds at most this much of a tip and a balloon.
constexpr std::size_t kTitleLength = 64, kBalloonLength = 256;
constexpr int kBalloonMs = 15000;

TrayPort* port(Engine& engine) {
    return ObjectModel::available(engine) ? ObjectModel::widgets(engine).tray() : nullptr;
}

// At most `length` UTF-16 units, never half a surrogate pair.
Text cut(TextView text, std::size_t length) {
    if (text.size() <= length) return Text(text);
    if (text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    return Text(text.substr(0, length));
}

void show(Engine& engine, TrayIcon& tray) {
    auto window = tray.window.lock();
    TrayPort* tp = port(engine);
    if (!tray.placed || !window || !tp) return;
    tp->place({window->widget, tray.iconFile, tray.tip});
}

}  // namespace

TrayIcon& TrayOf(ObjectModel& model) {
    if (!model.tray) model.tray = std::make_shared<TrayIcon>();
    return *model.tray;
}

Text TrayProperty(Engine& engine, ObjectModel& model, TextView property, const Text* value) {
    TrayIcon& tray = TrayOf(model);
    const Text key = nameKey(text::trimBlanks(property));
    Text* field = key == nameKey(u"アイコン") ? &tray.iconFile
                  : key == nameKey(u"説明")   ? &tray.tip
                                              : nullptr;
    if (!field) {
        engine.Report(ErrorId::NoSuchSetting, u"「タスクトレイ」に「" + Text(property) + u"」");
        return Text();
    }
    if (!value) return *field;
    *field = *value;
    show(engine, tray);
    return Text();
}

void AddTrayIcon(Engine& engine, ObjectModel& model) {
    TrayIcon& tray = TrayOf(model);
    // Added again, the icon follows the window current now.
    tray.window = model.currentWindow(engine);
    tray.placed = true;
    show(engine, tray);
}

void RemoveTrayIcon(Engine& engine, ObjectModel& model) {
    if (!model.tray || !model.tray->placed) return;
    model.tray->placed = false;
    model.tray->window.reset();
    if (TrayPort* tp = port(engine)) tp->remove();
}

void ShowTrayBalloon(Engine& engine, ObjectModel& model, TextView message, int style) {
    const BalloonIcon icon = style == 48   ? BalloonIcon::Warning
                             : style == 16 ? BalloonIcon::Error
                                           : BalloonIcon::Information;
    const TrayIcon& tray = TrayOf(model);
    Text title = cut(tray.tip, kTitleLength);
    const Text text = cut(message, kBalloonLength);
    TrayPort* tp = port(engine);
    if (tray.placed && tp && tp->balloon(title, text, icon, kBalloonMs)) return;
    // No tray shows it (none on this desktop, or no icon added): the user
    // still hears of it, under the program's name when the icon has no tip.
    if (title.empty()) title = cut(engine.appTitle, kTitleLength);
    engine.ui().notify(title, text, int(icon));
}

void ForgetTrayWindow(Engine& engine, ObjectModel& model, const QelWindow& window) {
    if (!model.tray || !model.tray->placed) return;
    auto owner = model.tray->window.lock();
    if (!owner || owner.get() == &window) RemoveTrayIcon(engine, model);
}

void TrayMessage(EventDispatch& events, Engine& engine, ObjectModel& model, QelWindow& window,
                 int message) {
    (void)model;
    if (message != kTrayLeftUp && message != kTrayLeftDoubleClick && message != kTrayRightUp)
        return;
    // Each of them brings the window to the front first, as a click on the
    // window itself would.
    ObjectModel::widgets(engine).raise(window.widget);
    if (message == kTrayLeftUp) {
        events.RunWindowEvent(window, u"をクリック");
    } else if (message == kTrayLeftDoubleClick) {
        events.RunWindowEvent(window, u"をダブルクリック");
    } else {
        events.data.EventButton = kRightButton;
        events.RunWindowEvent(window, u"を右クリック");
        events.RunWindowEvent(window, u"でマウスのボタンを上げる");
    }
}

}  // namespace qel::ui
