// User input on the virtual widgets: what a replayed session does arrives as
// the events a real widget set would report, in the same order (mouse down,
// mouse up, click), after the widget changed as it would (a check box
// toggles, a list selects, a text grows).
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/headless/virtual_widgets.h"

namespace qel {

namespace {

constexpr int kWindowKind = -1;
constexpr int kGone = -2;

bool is(int kind, WidgetKind k) {
    return kind == int(k);
}

bool takesFocus(int kind) {
    for (WidgetKind k : {WidgetKind::Button, WidgetKind::PictureButton, WidgetKind::TextBox,
                         WidgetKind::MultiLineText, WidgetKind::WrappingText, WidgetKind::ListBox,
                         WidgetKind::DropDownList, WidgetKind::DropDownCombo, WidgetKind::CheckBox,
                         WidgetKind::OptionButton, WidgetKind::VScrollBar, WidgetKind::HScrollBar,
                         WidgetKind::FolderList, WidgetKind::DriveList}) {
        if (kind == int(k)) return true;
    }
    return false;
}

bool acceptsText(int kind) {
    return is(kind, WidgetKind::TextBox) || is(kind, WidgetKind::MultiLineText) ||
           is(kind, WidgetKind::WrappingText) || is(kind, WidgetKind::DropDownCombo) ||
           is(kind, WidgetKind::RichText);
}

double numberIn(const std::optional<WidgetData>& data) {
    if (!data) return 0;
    const double* d = std::get_if<double>(&*data);
    return d ? *d : 0;
}

// The character a key types, if any (letters small unless Shift is held).
std::optional<char16_t> typedCharacter(int code, int shift) {
    if (shift & (kCtrlKey | kAltKey)) return std::nullopt;
    if (code >= 'A' && code <= 'Z') return char16_t((shift & kShiftKey) ? code : code + 32);
    if ((code >= '0' && code <= '9') || code == ' ') return char16_t(code);
    return std::nullopt;
}

// Keys that produce a key press on the desktop: characters and the control
// keys that have a character code (Enter, BackSpace, Esc).
bool pressesKey(int code, int shift) {
    return typedCharacter(code, shift).has_value() || code == 8 || code == 13 || code == 27;
}

}  // namespace

bool VirtualWidgets::report(const WidgetEvent& event) {
    if (!sink_ || kindOf(event.widget) == kGone) return true;
    return sink_->widgetEvent(event);
}

void VirtualWidgets::moveFocus(WidgetId to) {
    if (focused_ == to || !takesFocus(kindOf(to))) return;
    WidgetId from = focused_;
    focus(to);
    if (from != kNoWidget) report(eventOf(from, WidgetEventType::FocusOut));
    report(eventOf(to, WidgetEventType::FocusIn));
}

void VirtualWidgets::userClick(WidgetId id, int button, bool clickEvent) {
    const int kind = kindOf(id);
    const double x = std::floor(numberIn(get(id, WidgetValue::Width)) / 2);
    const double y = std::floor(numberIn(get(id, WidgetValue::Height)) / 2);
    pointer_ = {int(x), int(y)};
    if (button == kLeftButton) moveFocus(id);
    WidgetEvent down = eventOf(id, WidgetEventType::MouseDown, button, x, y);
    report(down);
    if (button == kLeftButton && clickEvent) {
        // The widget changes before it tells: a check box toggles, an
        // option is chosen (and its siblings let go).
        if (is(kind, WidgetKind::CheckBox))
            set(id, WidgetValue::Checked, numberIn(get(id, WidgetValue::Checked)) == 1 ? 0.0 : 1.0);
        if (is(kind, WidgetKind::OptionButton)) set(id, WidgetValue::Checked, 1.0);
    }
    WidgetEvent up = down;
    up.type = WidgetEventType::MouseUp;
    report(up);
    if (clickEvent && button == kLeftButton) report(eventOf(id, WidgetEventType::Click));
}

std::string VirtualWidgets::typeText(WidgetId id, TextView text) {
    if (!acceptsText(kindOf(id))) return "cannot be typed into";
    moveFocus(id);
    for (char16_t c : text) {
        if (kindOf(id) == kGone) break;  // a procedure removed it meanwhile
        auto now = get(id, WidgetValue::Text);
        const Text* t = now ? std::get_if<Text>(&*now) : nullptr;
        set(id, WidgetValue::Text, (t ? *t : Text()) + c);
        report(eventOf(id, WidgetEventType::TextChanged));
    }
    return {};
}

std::string VirtualWidgets::pressKey(WidgetId id, int code, int shift) {
    if (kindOf(id) != kWindowKind) moveFocus(id);
    WidgetEvent key = eventOf(id, WidgetEventType::KeyDown);
    key.keyCode = code;
    key.shift = shift;
    report(key);
    if (pressesKey(code, shift) && kindOf(id) != kGone) {
        key.type = WidgetEventType::KeyPress;
        report(key);
        auto c = typedCharacter(code, shift);
        if (c && acceptsText(kindOf(id)) && numberIn(get(id, WidgetValue::ReadOnly)) == 0) {
            auto now = get(id, WidgetValue::Text);
            const Text* t = now ? std::get_if<Text>(&*now) : nullptr;
            set(id, WidgetValue::Text, (t ? *t : Text()) + *c);
            report(eventOf(id, WidgetEventType::TextChanged));
        }
    }
    key.type = WidgetEventType::KeyUp;
    report(key);
    return {};
}

std::string VirtualWidgets::chooseItem(WidgetId id, int kind, double number, bool scroll) {
    if (scroll) {
        if (!is(kind, WidgetKind::VScrollBar) && !is(kind, WidgetKind::HScrollBar))
            return "is not a scroll bar";
        moveFocus(id);
        const double before = numberIn(get(id, WidgetValue::Value));
        set(id, WidgetValue::Value, number);
        report(eventOf(id, WidgetEventType::Scrolling));
        if (numberIn(get(id, WidgetValue::Value)) != before)
            report(eventOf(id, WidgetEventType::ValueChanged));
        return {};
    }
    const int count = int(items(id).size());
    if (!is(kind, WidgetKind::ListBox) && !is(kind, WidgetKind::DropDownList) &&
        !is(kind, WidgetKind::DropDownCombo) && !is(kind, WidgetKind::FolderList) &&
        !is(kind, WidgetKind::DriveList))
        return "is not a list";
    if (number < 0 || number >= count || number != int(number))
        return "has no item " + std::to_string(int(number)) + " (items count from 0)";
    moveFocus(id);
    set(id, WidgetValue::ListIndex, number);
    if (is(kind, WidgetKind::DropDownList) || is(kind, WidgetKind::DropDownCombo))
        report(eventOf(id, WidgetEventType::TextChanged));
    report(eventOf(id, WidgetEventType::ValueChanged));
    return {};
}

std::string VirtualWidgets::perform(const UserAction& a) {
    const int kind = kindOf(a.widget);
    if (kind == kGone) return "it is gone";
    if (kind != kWindowKind && numberIn(get(a.widget, WidgetValue::Enabled)) == 0 &&
        a.type != UserActionType::Tick)
        return "it is disabled";
    switch (a.type) {
        case UserActionType::Click:
            userClick(a.widget, kLeftButton, true);
            return {};
        case UserActionType::RightClick:
            userClick(a.widget, kRightButton, false);
            return {};
        case UserActionType::DoubleClick:
            userClick(a.widget, kLeftButton, true);
            if (kindOf(a.widget) == kGone) return {};
            report(eventOf(a.widget, WidgetEventType::MouseDown, kLeftButton));
            report(eventOf(a.widget, WidgetEventType::DoubleClick));
            report(eventOf(a.widget, WidgetEventType::MouseUp, kLeftButton));
            return {};
        case UserActionType::Check:
            if (!is(kind, WidgetKind::CheckBox) && !is(kind, WidgetKind::OptionButton))
                return "is not a check box or option button";
            userClick(a.widget, kLeftButton, true);
            return {};
        case UserActionType::Edit:
        case UserActionType::Expand:
        case UserActionType::Collapse:
            return "only items of list views and tree views take this";
        case UserActionType::Follow:
            return "only a browser's links are followed";
        case UserActionType::Menu:
            if (kind != kWindowKind) return "only a window has menus";
            return menus_.choose(a.widget, a.text);
        case UserActionType::Type:
            return typeText(a.widget, a.text);
        case UserActionType::Key:
            return pressKey(a.widget, a.keyCode, a.shift);
        case UserActionType::Select:
            return chooseItem(a.widget, kind, a.number, false);
        case UserActionType::Scroll:
            return chooseItem(a.widget, kind, a.number, true);
        case UserActionType::Drop: {
            // As on the desktop, only what accepts dropped files gets them.
            if (numberIn(get(a.widget, WidgetValue::AcceptsDrops)) == 0)
                return "does not take dropped files (its ドラッグ＆ドロップ is off)";
            WidgetEvent drop = eventOf(a.widget, WidgetEventType::Drop);
            drop.files = a.files;
            report(drop);
            return {};
        }
        case UserActionType::Mouse: {
            static constexpr WidgetEventType kSteps[] = {
                WidgetEventType::MouseDown, WidgetEventType::MouseMove, WidgetEventType::MouseUp};
            pointer_ = {int(a.x), int(a.y)};
            report(eventOf(a.widget, kSteps[int(a.step)], a.button, a.x, a.y));
            return {};
        }
        case UserActionType::Tick:
            if (!is(kind, WidgetKind::Timer)) return "is not a timer";
            report(eventOf(a.widget, WidgetEventType::Tick));
            return {};
        case UserActionType::Close:
            if (kind != kWindowKind) return "is not a window";
            report(eventOf(a.widget, WidgetEventType::CloseRequest));
            return {};
    }
    return "unknown action";
}

void VirtualWidgets::advanceTimers(double now) {
    std::vector<WidgetId> due;
    for (const auto& [id, w] : widgets_) {
        if (!is(kindOf(id), WidgetKind::Timer)) continue;
        const double interval = numberIn(get(id, WidgetValue::Interval));
        if (numberIn(get(id, WidgetValue::Enabled)) == 0 || interval <= 0) {
            timerDue_.erase(id);
            continue;
        }
        auto it = timerDue_.find(id);
        if (it == timerDue_.end()) {
            timerDue_[id] = now + interval;
        } else if (now >= it->second) {
            // One tick however late: ticks never queue up behind a slow procedure.
            it->second = now + interval;
            due.push_back(id);
        }
    }
    std::sort(due.begin(), due.end());
    for (WidgetId id : due) {
        if (kindOf(id) == kGone) {
            timerDue_.erase(id);
            continue;
        }
        report(eventOf(id, WidgetEventType::Tick));
    }
}

}  // namespace qel
