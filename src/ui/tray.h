// The program's tray icon: 「タスクトレイ」に…を追加 places it for the current
// window, 消せ takes it away, its アイコン (file) and 説明 (tip) are properties
// of the special object "タスクトレイ", and 表示 …をタスクトレイに shows a
// balloon at it. Clicks on it become the window's click, double-click and
// right-button events.
#pragma once

#include <memory>
#include <optional>

#include "platform/ports/tray.h"
#include "text/text.h"

namespace qel {
class Engine;
}

namespace qel::ui {

class EventDispatch;
class ObjectModel;
class QelWindow;

struct TrayIcon {
    Text iconFile;
    Text tip;
    bool placed = false;
    std::weak_ptr<QelWindow> window;
};

TrayIcon& TrayOf(ObjectModel& model);

// Reads (`value` null) or sets アイコン or 説明; `property` is what follows "タスクトレイの".
Text TrayProperty(Engine& engine, ObjectModel& model, TextView property, const Text* value);
void AddTrayIcon(Engine& engine, ObjectModel& model);
void RemoveTrayIcon(Engine& engine, ObjectModel& model);
// `style` is the message style number (16 error, 48 warning, else information).
void ShowTrayBalloon(Engine& engine, ObjectModel& model, TextView message, int style);
// A closing window takes its icon with it: its clicks would reach no one.
void ForgetTrayWindow(Engine& engine, ObjectModel& model, const QelWindow& window);
// A mouse message of the icon turned into the window's events.
void TrayMessage(EventDispatch& events, Engine& engine, ObjectModel& model, QelWindow& window,
                 int message);

}  // namespace qel::ui
