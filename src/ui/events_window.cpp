// Events of windows: clicks, mouse and keys named by the window alone, files
// dropped on it, and closing with its "を閉じる" procedure.
#include "core/engine.h"
#include "ui/events.h"

namespace qel::ui {

bool EventDispatch::windowEvent(const std::shared_ptr<QelWindow>& window,
                                const WidgetEvent& event) {
    using T = WidgetEventType;
    QelWindow& w = *window;
    switch (event.type) {
        case T::Click:
            RunWindowEvent(w, u"をクリック");
            break;
        case T::DoubleClick:
            RunWindowEvent(w, u"をダブルクリック");
            break;
        case T::MouseDown:
        case T::MouseMove:
        case T::MouseUp:
            windowMouse(w, event);
            break;
        case T::KeyDown:
        case T::KeyUp:
        case T::KeyPress:
            windowKey(w, event);
            break;
        case T::Resize:
            RunWindowEvent(w, u"の大きさが変わる");
            break;
        case T::Drop:
            windowDrop(w, event);
            break;
        case T::CloseRequest:
            return closeWindow(window, true);
        case T::Activate:
            model_.CurrentWindow = window;
            break;
        default:
            break;
    }
    return true;
}

void EventDispatch::windowMouse(QelWindow& w, const WidgetEvent& event) {
    storeMouse(w, event);
    switch (event.type) {
        case WidgetEventType::MouseDown:
            RunWindowEvent(w, u"でマウスのボタンを下げる");
            break;
        case WidgetEventType::MouseMove:
            if (mouseMoving_.count(&w)) break;
            mouseMoving_.insert(&w);
            RunWindowEvent(w, u"でマウスが動く");
            mouseMoving_.erase(&w);
            break;
        default:
            if (event.button == kLeftButton) RunWindowEvent(w, u"を左クリック");
            if (event.button == kRightButton) RunWindowEvent(w, u"を右クリック");
            RunWindowEvent(w, u"でマウスのボタンを上げる");
            break;
    }
}

void EventDispatch::windowKey(QelWindow& w, const WidgetEvent& event) {
    switch (event.type) {
        case WidgetEventType::KeyDown:
            storeKey(event);
            if (!RunWindowEvent(w, u"でキーボード" + data.EventKeyName + u"を押す"))
                RunWindowEvent(w, u"でキーボードを押す");
            break;
        case WidgetEventType::KeyUp:
            storeKey(event);
            // Menu shortcuts would be checked here once windows carry menus.
            RunWindowEvent(w, u"でキーボード" + data.EventKeyName + u"を離す");
            RunWindowEvent(w, u"でキーボードを離す");
            break;
        default:
            if (!RunWindowEvent(w, u"に" + data.EventKeyName + u"を入力"))
                RunWindowEvent(w, u"に入力");
            break;
    }
}

// Each file goes first to the global "ドラッグ＆ドロップされた" (the file as
// それ), else to the window's own per-file procedure; the files neither took
// reach "にドラッグ＆ドロップ" together.
void EventDispatch::windowDrop(QelWindow& w, const WidgetEvent& event) {
    std::vector<Text> rest;
    for (const Text& file : event.files) {
        if (engine_.stopRequested) return;
        if (hasProcedure(u"ドラッグ＆ドロップされた")) {
            engine_.answer = ValueText(file);
            runNamed(u"ドラッグ＆ドロップされた", &w);
            continue;
        }
        const Text own = w.WindowName + u"にドラッグ＆ドロップされた";
        if (hasProcedure(own)) {
            engine_.answer = ValueText(file);
            runNamed(own, &w);
            continue;
        }
        rest.push_back(file);
    }
    if (rest.empty()) return;
    data.DroppedFiles = text::join(rest, u",");
    RunWindowEvent(w, u"にドラッグ＆ドロップ");
}

bool EventDispatch::closeWindow(const std::shared_ptr<QelWindow>& window, bool byUser) {
    if (!window || window->unloaded) return true;
    window->closeRefused = false;
    RunWindowEvent(*window, u"を閉じる");
    if (window->unloaded) return true;  // its procedure closed it already
    // 閉じない keeps a window the user closed; the program's own close stands.
    const bool refused = window->closeRefused;
    window->closeRefused = false;
    if (refused && byUser) return false;
    model_.CloseWindow(engine_, window);
    return true;
}

}  // namespace qel::ui
