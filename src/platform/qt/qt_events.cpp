// What the user does to the script's Qt widgets, reported to the event sink:
// one filter object watches every script widget (mouse, keys, focus, drops,
// closing, resizing) and the widgets' own signals give the clicks and changes
// only a user makes. Replayed sessions come in as synthesised Qt input events
// to the real widget, so they take the same road.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDropEvent>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/qt/qt_menus.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel {

namespace {

// Qt's keys and the language's key codes, one row each. The punctuation keys
// take the codes of the Japanese keyboard the language's scripts were
// written on (":" 186, ";" 187, "@" 192 …).
struct KeyRow {
    int qt;
    int code;
};
// clang-format off
constexpr KeyRow kKeys[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9}, {Qt::Key_Backtab, 9}, {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13}, {Qt::Key_Escape, 27}, {Qt::Key_Space, 32}, {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18}, {Qt::Key_Pause, 19}, {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34}, {Qt::Key_End, 35}, {Qt::Key_Home, 36}, {Qt::Key_Left, 37},
    {Qt::Key_Up, 38}, {Qt::Key_Right, 39}, {Qt::Key_Down, 40}, {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46}, {Qt::Key_Colon, 186}, {Qt::Key_Semicolon, 187}, {Qt::Key_Comma, 188},
    {Qt::Key_Minus, 189}, {Qt::Key_Period, 190}, {Qt::Key_Slash, 191}, {Qt::Key_At, 192},
    {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220}, {Qt::Key_BracketRight, 221},
    {Qt::Key_AsciiCircum, 222}, {Qt::Key_Underscore, 226}, {Qt::Key_Asterisk, 106},
    {Qt::Key_Plus, 107}, {Qt::Key_Equal, 187},
};
// clang-format on

int codeOfKey(const QKeyEvent& key) {
    const int k = key.key();
    const bool keypad = key.modifiers() & Qt::KeypadModifier;
    if (k >= Qt::Key_0 && k <= Qt::Key_9) return keypad ? 96 + (k - Qt::Key_0) : k;
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F12) return 112 + (k - Qt::Key_F1);
    if (keypad) {
        switch (k) {
            case Qt::Key_Asterisk:
                return 106;
            case Qt::Key_Plus:
                return 107;
            case Qt::Key_Comma:
                return 108;
            case Qt::Key_Minus:
                return 109;
            case Qt::Key_Period:
                return 110;
            case Qt::Key_Slash:
                return 111;
            default:
                break;
        }
    }
    for (const KeyRow& row : kKeys) {
        if (row.qt == k) return row.code;
    }
    // Keys no table names keep a number of their own (reported in decimal).
    return key.nativeVirtualKey() ? int(key.nativeVirtualKey()) : k;
}

int keyOfCode(int code) {
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return code;
    if (code >= 96 && code <= 105) return Qt::Key_0 + code - 96;
    if (code >= 112 && code <= 123) return Qt::Key_F1 + code - 112;
    for (const KeyRow& row : kKeys) {
        if (row.code == code) return row.qt;
    }
    return Qt::Key_unknown;
}

int shiftOf(Qt::KeyboardModifiers m) {
    return ((m & Qt::ShiftModifier) ? kShiftKey : 0) | ((m & Qt::ControlModifier) ? kCtrlKey : 0) |
           ((m & Qt::AltModifier) ? kAltKey : 0);
}

Qt::KeyboardModifiers modifiersOf(int shift) {
    Qt::KeyboardModifiers m;
    if (shift & kShiftKey) m |= Qt::ShiftModifier;
    if (shift & kCtrlKey) m |= Qt::ControlModifier;
    if (shift & kAltKey) m |= Qt::AltModifier;
    return m;
}

int buttonOf(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton:
            return kLeftButton;
        case Qt::RightButton:
            return kRightButton;
        case Qt::MiddleButton:
            return kMiddleButton;
        default:
            return 0;
    }
}

Qt::MouseButton qtButton(int button) {
    switch (button) {
        case kRightButton:
            return Qt::RightButton;
        case kMiddleButton:
            return Qt::MiddleButton;
        case kLeftButton:
            return Qt::LeftButton;
        default:
            return Qt::NoButton;
    }
}

// The widgets whose own signal reports their click (the filter must not).
bool clicksBySignal(QWidget* w) {
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QListWidget*>(w) || qobject_cast<QListView*>(w) ||
           qobject_cast<QScrollBar*>(w);
}

// Characters typed make a key press; so do the keys with a character code.
bool pressesKey(const QKeyEvent& key, int code) {
    if (code == 8 || code == 13 || code == 27) return true;
    const QString text = key.text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// Watches one widget (a list's viewport reports as its list).
class EventFilter : public QObject {
  public:
    EventFilter(QtWidgets& set, WidgetId id, QObject* parent)
        : QObject(parent), set_(set), id_(id) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        try {
            return handle(watched, event);
        } catch (...) {
            // Nothing may cross Qt's event delivery; the script reported its
            // own errors already.
            return false;
        }
    }

  private:
    bool report(WidgetEvent e) {
        e.widget = id_;
        WidgetEventSink* sink = set_.eventSink();
        return !sink || sink->widgetEvent(e);
    }

    bool handle(QObject* watched, QEvent* event) {
        QWidget* widget = qobject_cast<QWidget*>(watched);
        using T = WidgetEventType;
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseMove:
            case QEvent::MouseButtonDblClick:
                handled_ = false;
                mouse(widget, static_cast<QMouseEvent*>(event));
                return handled_;
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
                key(static_cast<QKeyEvent*>(event));
                return false;
            case QEvent::FocusIn:
                report(eventOf(0, T::FocusIn));
                return false;
            case QEvent::FocusOut:
                report(eventOf(0, T::FocusOut));
                return false;
            case QEvent::Resize:
                if (widget && widget->isVisible()) report(eventOf(0, T::Resize));
                return false;
            case QEvent::WindowActivate:
                report(eventOf(0, T::Activate));
                return false;
            case QEvent::DragEnter: {
                auto* drag = static_cast<QDragEnterEvent*>(event);
                if (drag->mimeData()->hasUrls()) drag->acceptProposedAction();
                return true;
            }
            case QEvent::Drop:
                return drop(static_cast<QDropEvent*>(event));
            case QEvent::Close: {
                // The script decides: its close procedure runs, and the
                // window goes (later, through the object model) unless it
                // refused. Qt itself never closes a script window.
                event->ignore();
                report(eventOf(0, T::CloseRequest));
                return true;
            }
            default:
                return false;
        }
    }

    void mouse(QWidget* widget, QMouseEvent* m) {
        using T = WidgetEventType;
        // Positions on a window count from below its menu bar.
        const QPointF at = m->position() - QPointF(0, qtw::clientTop(widget));
        const int button = buttonOf(m->button());
        switch (m->type()) {
            case QEvent::MouseButtonPress:
                pressed_ = true;
                report(eventOf(0, T::MouseDown, button, at.x(), at.y()));
                break;
            case QEvent::MouseButtonDblClick:
                report(eventOf(0, T::MouseDown, button, at.x(), at.y()));
                if (button == kLeftButton) report(eventOf(0, T::DoubleClick));
                break;
            case QEvent::MouseMove:
                report(eventOf(0, T::MouseMove, 0, at.x(), at.y()));
                break;
            default: {
                const bool wasPressed = std::exchange(pressed_, false);
                QPointer<QWidget> alive(widget);
                QWidget* owner = set_.widgetOf(id_);
                if (qobject_cast<QRadioButton*>(owner)) {
                    // The option is chosen first, so that its procedure
                    // (which runs on mouse up) reads it chosen.
                    static_cast<QObject*>(owner)->event(m);
                    handled_ = true;
                }
                report(eventOf(0, T::MouseUp, button, at.x(), at.y()));
                if (alive && wasPressed && button == kLeftButton && !clicksBySignal(owner) &&
                    widget->rect().contains(m->position().toPoint()))
                    report(eventOf(0, T::Click));
                break;
            }
        }
    }

    void key(QKeyEvent* k) {
        if (k->isAutoRepeat() && k->type() == QEvent::KeyRelease) return;
        WidgetEvent e = eventOf(
            0, k->type() == QEvent::KeyPress ? WidgetEventType::KeyDown : WidgetEventType::KeyUp);
        e.keyCode = codeOfKey(*k);
        e.shift = shiftOf(k->modifiers());
        report(e);
        if (k->type() == QEvent::KeyPress && pressesKey(*k, e.keyCode)) {
            e.type = WidgetEventType::KeyPress;
            report(e);
        }
    }

    bool drop(QDropEvent* d) {
        WidgetEvent e = eventOf(0, WidgetEventType::Drop);
        for (const QUrl& url : d->mimeData()->urls()) {
            e.files.push_back(fromQString(url.isLocalFile() ? url.toLocalFile() : url.toString()));
        }
        if (e.files.empty()) return false;
        d->acceptProposedAction();
        report(e);
        return true;
    }

    QtWidgets& set_;
    WidgetId id_;
    bool pressed_ = false;
    bool handled_ = false;  // the widget was given the event already
};

void reportFrom(QtWidgets& set, WidgetId id, WidgetEventType type) {
    WidgetEventSink* sink = set.eventSink();
    if (!sink || !set.find(id)) return;
    try {
        sink->widgetEvent(eventOf(id, type));
    } catch (...) {
        // As in the filter: nothing crosses the toolkit.
    }
}

// Signals only a user's action raises (a script setting a value raises none).
void connectSignals(QtWidgets& set, qtw::Entry& e) {
    if (qtw::connectRichSignals(set, e)) return;
    const WidgetId id = e.id;
    QWidget* w = e.widget;
    auto tell = [&set, id](WidgetEventType type) {
        return [&set, id, type] { reportFrom(set, id, type); };
    };
    using T = WidgetEventType;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        QObject::connect(button, &QAbstractButton::clicked, button, tell(T::Click));
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        QObject::connect(line, &QLineEdit::textEdited, line, tell(T::TextChanged));
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        QObject::connect(plain, &QPlainTextEdit::textChanged, plain, [&set, id, plain] {
            if (plain->hasFocus()) reportFrom(set, id, T::TextChanged);
        });
    } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
        QObject::connect(rich, &QTextEdit::textChanged, rich, [&set, id, rich] {
            if (rich->hasFocus()) reportFrom(set, id, T::TextChanged);
        });
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QObject::connect(combo, &QComboBox::activated, combo, tell(T::ValueChanged));
        if (combo->isEditable())
            QObject::connect(combo, &QComboBox::editTextChanged, combo, [&set, id, combo] {
                if (combo->hasFocus()) reportFrom(set, id, T::TextChanged);
            });
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        QObject::connect(list, &QListWidget::itemClicked, list, tell(T::Click));
        QObject::connect(list, &QListWidget::itemDoubleClicked, list, tell(T::DoubleClick));
    } else if (auto* view = qobject_cast<QListView*>(w)) {
        QObject::connect(view, &QListView::clicked, view, tell(T::ValueChanged));
    } else if (auto* bar = qobject_cast<QScrollBar*>(w)) {
        // The value is reported once it is the bar's value: the action comes first.
        QObject::connect(bar, &QAbstractSlider::actionTriggered, bar,
                         [bar] { bar->setProperty("qelUserMove", true); });
        QObject::connect(bar, &QAbstractSlider::valueChanged, bar, [&set, id, bar] {
            if (!bar->property("qelUserMove").toBool()) return;
            bar->setProperty("qelUserMove", false);
            reportFrom(set, id, bar->isSliderDown() ? T::Scrolling : T::ValueChanged);
        });
        QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, tell(T::ValueChanged));
    }
}

}  // namespace

namespace qtw {

void connectEvents(QtWidgets& set, Entry& e) {
    if (e.timer) {
        const WidgetId id = e.id;
        QObject::connect(e.timer.get(), &QTimer::timeout, e.timer.get(),
                         [&set, id] { reportFrom(set, id, WidgetEventType::Tick); });
        return;
    }
    QWidget* w = e.widget;
    if (!w) return;
    auto* filter = new EventFilter(set, e.id, w);
    filter->setObjectName(QStringLiteral("qelEvents"));
    w->installEventFilter(filter);
    // Moves are reported without a button held, as on the desktop the
    // language was born on.
    w->setMouseTracking(true);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
        area->viewport()->installEventFilter(filter);
        area->viewport()->setMouseTracking(true);
    }
    connectSignals(set, e);
}

}  // namespace qtw

// ---- replayed sessions ----------------------------------------------------------------

namespace {

QWidget* targetOf(QWidget* w) {
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) return area->viewport();
    return w;
}

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPointF at) {
    QWidget* target = targetOf(w);
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, target->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void sendClick(QPointer<QWidget> w, Qt::MouseButton button, QPointF at, bool twice) {
    sendMouse(w, QEvent::MouseButtonPress, button, at);
    if (w) sendMouse(w, QEvent::MouseButtonRelease, button, at);
    if (!twice) return;
    if (w) sendMouse(w, QEvent::MouseButtonDblClick, button, at);
    if (w) sendMouse(w, QEvent::MouseButtonRelease, button, at);
}

void sendKey(QWidget* w, int code, int shift, const QString& text) {
    const int key = keyOfCode(code);
    QString typed = text;
    if (typed.isEmpty() && !(shift & (kCtrlKey | kAltKey))) {
        if (code >= 'A' && code <= 'Z') typed = QChar((shift & kShiftKey) ? code : code + 32);
        if ((code >= '0' && code <= '9') || code == ' ') typed = QChar(code);
        if (code == 13) typed = QStringLiteral("\r");
        if (code == 8) typed = QStringLiteral("\b");
        if (code == 27) typed = QChar(27);
    }
    QKeyEvent press(QEvent::KeyPress, key, modifiersOf(shift), quint32(0), quint32(code),
                    quint32(0), typed);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiersOf(shift), quint32(0), quint32(code),
                      quint32(0), typed);
    QApplication::sendEvent(w, &release);
}

}  // namespace

std::string QtWidgets::perform(const UserAction& a) {
    qtw::Entry* e = find(a.widget);
    if (!e) return "it is gone";
    if (a.type == UserActionType::Tick) {
        if (!e->timer) return "is not a timer";
        reportFrom(*this, a.widget, WidgetEventType::Tick);
        return {};
    }
    QPointer<QWidget> w = e->widget;
    if (!w) return "cannot be acted on";
    if (!w->isEnabled()) return "it is disabled";
    QPointF centre(w->width() / 2, w->height() / 2);
    // Check boxes and options take clicks on their mark (at their left).
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w))
        centre = QPointF(std::min(8, w->width() / 2), w->height() / 2);
    switch (a.type) {
        case UserActionType::Click:
        case UserActionType::Check:
            if (a.type == UserActionType::Check && !qobject_cast<QCheckBox*>(w) &&
                !qobject_cast<QRadioButton*>(w))
                return "is not a check box or option button";
            w->setFocus(Qt::MouseFocusReason);
            sendClick(w, Qt::LeftButton, centre, false);
            return {};
        case UserActionType::RightClick:
            sendClick(w, Qt::RightButton, centre, false);
            return {};
        case UserActionType::DoubleClick:
            w->setFocus(Qt::MouseFocusReason);
            sendClick(w, Qt::LeftButton, centre, true);
            return {};
        case UserActionType::Type:
            // As an input method commits text: character by character, with
            // no key events (the keys of a session are its key lines).
            if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QPlainTextEdit*>(w) &&
                !qobject_cast<QTextEdit*>(w) && !qobject_cast<QComboBox*>(w))
                return "cannot be typed into";
            w->setFocus(Qt::OtherFocusReason);
            for (QChar c : toQString(a.text)) {
                if (!w) break;
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QWidget* target = targetOf(w);
                if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
                    target = combo->lineEdit();
                QApplication::sendEvent(target, &commit);
            }
            return {};
        case UserActionType::Key:
            if (!e->isWindow()) w->setFocus(Qt::OtherFocusReason);
            sendKey(w, a.keyCode, a.shift, {});
            return {};
        case UserActionType::Select: {
            if (auto* list = qobject_cast<QListWidget*>(w)) {
                QListWidgetItem* item = list->item(int(a.number));
                if (!item) return "has no item " + std::to_string(int(a.number));
                list->scrollToItem(item);
                sendClick(w, Qt::LeftButton, list->visualItemRect(item).center(), false);
                return {};
            }
            if (auto* combo = qobject_cast<QComboBox*>(w)) {
                if (a.number < 0 || a.number >= combo->count())
                    return "has no item " + std::to_string(int(a.number));
                combo->setCurrentIndex(int(a.number));
                // What choosing from the open list reports.
                Q_EMIT combo->activated(int(a.number));
                return {};
            }
            return "is not a list";
        }
        case UserActionType::Scroll: {
            auto* bar = qobject_cast<QScrollBar*>(w);
            if (!bar) return "is not a scroll bar";
            bar->setSliderPosition(int(a.number));
            bar->triggerAction(QAbstractSlider::SliderMove);
            return {};
        }
        case UserActionType::Drop: {
            QMimeData data;
            QList<QUrl> urls;
            for (const Text& file : a.files) urls << QUrl::fromLocalFile(toQString(file));
            data.setUrls(urls);
            if (!w->acceptDrops())
                return "does not take dropped files (its ドラッグ＆ドロップ is off)";
            // Qt delivers drops only while its own drag runs; the drop goes
            // straight to the widget's event watcher instead.
            QDropEvent drop(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            if (QObject* watcher =
                    w->findChild<QObject*>(QStringLiteral("qelEvents"), Qt::FindDirectChildrenOnly))
                watcher->eventFilter(w, &drop);
            return {};
        }
        case UserActionType::Mouse: {
            static constexpr QEvent::Type kTypes[] = {QEvent::MouseButtonPress, QEvent::MouseMove,
                                                      QEvent::MouseButtonRelease};
            sendMouse(w, kTypes[int(a.step)], qtButton(a.button),
                      QPointF(a.x, a.y + qtw::clientTop(w)));
            return {};
        }
        case UserActionType::Close:
            if (!e->isWindow()) return "is not a window";
            w->close();
            return {};
        case UserActionType::Tick:
            break;
        case UserActionType::Menu:
            if (!e->isWindow()) return "only a window has menus";
            return qtMenus().choose(a.widget, a.text);
        case UserActionType::Edit:
        case UserActionType::Expand:
        case UserActionType::Collapse:
            return "only items of list views and tree views take this";
        case UserActionType::Follow:
            return "only a browser's links are followed";
    }
    return {};
}

std::optional<std::pair<int, int>> QtWidgets::pointerOnScreen() const {
    const QPoint at = QCursor::pos();
    return std::pair<int, int>{at.x(), at.y()};
}

}  // namespace qel
