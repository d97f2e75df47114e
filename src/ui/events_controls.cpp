// Events of controls: which suffix each kind reports for each user action,
// the event data stored before the procedure runs, and the behaviours that
// differ by kind (check boxes, option buttons, frames, timers, turtles).
#include <algorithm>
#include <cmath>

#include "core/engine.h"
#include "ui/events.h"

namespace qel::ui {

namespace {

using K = KindId;

bool isOneOf(K id, std::initializer_list<K> kinds) {
    return std::find(kinds.begin(), kinds.end(), id) != kinds.end();
}

bool isTextKind(K id) {
    return isOneOf(id, {K::TextBox, K::MultiLineText});
}

// Mouse positions are kept as the 16-bit integers they were on the desktop.
int toShort(double v) {
    if (std::isnan(v)) return 0;
    return int(std::clamp(std::round(v), -32768.0, 32767.0));
}

}  // namespace

void EventDispatch::storeMouse(const ScriptObject& object, const WidgetEvent& event) {
    (void)object;  // images report pixels already: the widget sets measure in pixels
    if (event.type != WidgetEventType::MouseMove) data.EventButton = event.button;
    data.EventMouseX = toShort(event.x);
    data.EventMouseY = toShort(event.y);
}

void EventDispatch::storeKey(const WidgetEvent& event) {
    data.EventKeyCode = event.keyCode;
    data.EventShift = event.shift;
    data.EventKeyName = KeyName(event.keyCode, event.shift);
    if (event.type == WidgetEventType::KeyDown) data.keysDown.insert(event.keyCode);
    if (event.type == WidgetEventType::KeyUp) data.keysDown.erase(event.keyCode);
}

bool EventDispatch::control(ScriptObject& subject, TextView What) {
    if (subject.kind->dynamic) return RunEventEx(subject.kind->word, What, subject);
    return RunEvent(subject.kind->word, subject.index, What, subject);
}

void EventDispatch::controlEvent(ScriptObject& object, const WidgetEvent& event) {
    const K id = object.kind->id;
    using T = WidgetEventType;
    switch (event.type) {
        case T::Click:
            if (id == K::Turtle) {
                runNamed(u"クリック", &object);
            } else if (id == K::Button) {
                if (object.window && !object.window->unloaded) {
                    if (auto w =
                            std::static_pointer_cast<QelWindow>(objectOf(object.window->widget)))
                        model_.CurrentWindow = w;
                }
                control(object, u"をクリック");
            } else if (id == K::Check) {
                // Setting the value before the window is shown runs nothing.
                auto visible =
                    ObjectModel::widgets(engine_).get(object.window->widget, WidgetValue::Visible);
                if (visible && std::get_if<double>(&*visible) && std::get<double>(*visible) != 0)
                    control(object, u"をクリック");
            } else if (id == K::Frame) {
                control(object, u"をクリック");
                control(object, u"を左クリック");
            } else if (!isOneOf(id, {K::Option, K::VScrollBar, K::HScrollBar, K::FolderList,
                                     K::DriveList, K::Timer, K::Shape, K::Line})) {
                control(object, u"をクリック");
            }
            break;
        case T::ValueChanged:
            // A list's selection, a scroll value, a folder or drive chosen.
            if (isOneOf(id, {K::VScrollBar, K::HScrollBar, K::FolderList, K::DriveList, K::ListBox,
                             K::DropDownList, K::DropDownCombo, K::ListView}))
                control(object, u"をクリック");
            break;
        case T::DoubleClick:
            if (id == K::Turtle) {
                runNamed(u"ダブルクリック", &object);
            } else if (isTextKind(id) ||
                       isOneOf(id, {K::Picture, K::Image, K::Label, K::ListBox, K::DropDownList,
                                    K::DropDownCombo, K::Frame, K::Option, K::ListView, K::TreeView,
                                    K::Grid, K::RichText})) {
                control(object, u"をダブルクリック");
            }
            break;
        case T::TextChanged:
            if (isTextKind(id) || isOneOf(id, {K::DropDownList, K::DropDownCombo, K::RichText}))
                control(object, u"が変化");
            break;
        case T::Scrolling:
            if (isOneOf(id, {K::VScrollBar, K::HScrollBar, K::ListBox, K::FolderList}))
                control(object, u"を移動");
            break;
        case T::FocusIn:
            control(object, u"に入る");
            break;
        case T::FocusOut:
            control(object, u"を離れる");
            break;
        case T::KeyDown:
        case T::KeyUp:
        case T::KeyPress:
            controlKey(object, event, object.kind->word);
            break;
        case T::MouseDown:
        case T::MouseMove:
        case T::MouseUp:
            controlMouse(object, event, object.kind->word);
            break;
        case T::Drop:
            if (id == K::RichText) {
                deferredDrops_.push_back({objectOf(event.widget), event.files});
                break;
            }
            data.DroppedFiles = text::join(event.files, u",");
            if (isTextKind(id) || isOneOf(id, {K::Picture, K::ListBox, K::Image}))
                control(object, u"にドラッグ＆ドロップ");
            break;
        case T::Resize:
            if (id == K::Picture) control(object, u"の大きさが変わる");
            break;
        case T::Tick:
            if (id == K::Timer) timerTick(object);
            break;
        case T::CloseRequest:
        case T::Activate:
        case T::MenuCommand:  // windows only; taken before this
        case T::TrayMessage:
        case T::FindRequest:  // taken before this
        case T::RichAction:
            break;
    }
}

void EventDispatch::controlKey(ScriptObject& object, const WidgetEvent& event, TextView kind) {
    (void)kind;
    switch (event.type) {
        case WidgetEventType::KeyDown:
            storeKey(event);
            control(object, u"でキーボードを押す");
            break;
        case WidgetEventType::KeyUp:
            storeKey(event);
            control(object, u"でキーボードを離す");
            break;
        default: {
            // The character's key went down just before: its name is stored.
            const K id = object.kind->id;
            if (!isTextKind(id) &&
                !isOneOf(id, {K::ListBox, K::DropDownCombo, K::DropDownList, K::RichText}))
                break;
            if (!control(object, u"に" + data.EventKeyName + u"を入力")) control(object, u"に入力");
            break;
        }
    }
}

void EventDispatch::controlMouse(ScriptObject& object, const WidgetEvent& event, TextView kind) {
    (void)kind;
    storeMouse(object, event);
    switch (event.type) {
        case WidgetEventType::MouseDown:
            control(object, u"でマウスのボタンを下げる");
            break;
        case WidgetEventType::MouseMove: {
            // While the window's mouse-move procedure runs, further moves are dropped.
            const QelWindow* w = object.window;
            if (mouseMoving_.count(w)) break;
            mouseMoving_.insert(w);
            control(object, u"でマウスが動く");
            mouseMoving_.erase(w);
            break;
        }
        default:
            if (object.kind->id == KindId::Option) {
                // Reported here, not on the toolkit's click, so that clicking
                // the option already chosen still runs its procedure.
                if (event.button == kRightButton) {
                    control(object, u"を右クリック");
                } else {
                    control(object, u"をクリック");
                }
            } else if (event.button == kLeftButton && object.kind->id != KindId::Frame) {
                // (A frame's left click runs with its click, once.)
                control(object, u"を左クリック");
            } else if (event.button == kRightButton) {
                control(object, u"を右クリック");
            }
            control(object, u"でマウスのボタンを上げる");
            break;
    }
}

void EventDispatch::timerTick(ScriptObject& timer) {
    const QelWindow* w = timer.window;
    const std::pair<const QelWindow*, int> key{w, timer.index};
    // A slow procedure is never entered twice: ticks meanwhile are dropped.
    if (ticking_.count(key)) return;
    ticking_.insert(key);
    RunEvent(Text(timer.kind->word) + fullWidthNumber(timer.index), 0, u"が時間になった", timer);
    ticking_.erase(key);
}

void EventDispatch::runDeferredDrops() {
    if (deferredDrops_.empty()) return;
    std::vector<DeferredDrop> due;
    due.swap(deferredDrops_);  // a procedure may cause further drops
    for (DeferredDrop& drop : due) {
        auto box = drop.box.lock();
        if (!box || box->unloaded) continue;  // removed meanwhile
        data.DroppedFiles = text::join(drop.files, u",");
        control(*box, u"にドラッグ＆ドロップ");
    }
}

}  // namespace qel::ui
