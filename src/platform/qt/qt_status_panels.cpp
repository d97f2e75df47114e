// The automatic panels of a status bar, kept current: the time and the date
// in the desktop's short formats, and the keyboard's locks (大文字ロック,
// テンキーロック, カナロック) shown active while the lock is on and greyed
// while it is off, as the desktop's own status bars do. The lock state comes
// from the X server's keyboard indicators; where there is no X server
// (Wayland, offscreen) no program may read it, and the lock panels stay shown
// as active.
#include <QApplication>
#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTime>
#include <QTimer>

#include <optional>

#include "platform/qt/qt_widgets.h"

#ifdef QEL_QT_PROBE_X11
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace qel::qtw {

namespace {

constexpr char kPanelKind[] = "qelPanelKind";

// Panel kinds as the script numbers them.
enum PanelKind { CapsLock = 1, NumLock = 2, Insert = 3, Time = 4, Date = 5, KanaLock = 6 };

#ifdef QEL_QT_PROBE_X11
Display* x11Display() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

std::optional<bool> indicatorOn(const char* name) {
    Display* display = x11Display();
    if (!display) return std::nullopt;
    Bool on = False;
    const Atom atom = XInternAtom(display, name, False);
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return std::nullopt;
    return on == True;
}
#else
std::optional<bool> indicatorOn(const char*) {
    return std::nullopt;
}
#endif

const char* indicatorOf(int kind) {
    switch (kind) {
        case CapsLock:
            return "Caps Lock";
        case NumLock:
            return "Num Lock";
        case KanaLock:
            return "Kana";
        default:
            return nullptr;
    }
}

void refresh(QStatusBar& bar) {
    const QLocale locale = QLocale::system();
    for (QLabel* label : bar.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
        const int kind = label->property(kPanelKind).toInt();
        if (kind == Time) {
            label->setText(locale.toString(QTime::currentTime(), QLocale::ShortFormat));
        } else if (kind == Date) {
            label->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
        } else if (const char* indicator = indicatorOf(kind)) {
            label->setEnabled(indicatorOn(indicator).value_or(true));
        }
    }
}

// One per status bar that has automatic panels, owned by the bar.
class PanelClock : public QTimer {
  public:
    explicit PanelClock(QStatusBar& bar) : QTimer(&bar) {
        setObjectName(QStringLiteral("qelPanelClock"));
        // A second is the time panel's resolution and fine enough for locks.
        connect(this, &QTimer::timeout, this, [&bar] { refresh(bar); });
        start(1000);
    }
};

}  // namespace

void markStatusPanel(QLabel& label, int kind) {
    label.setProperty(kPanelKind, kind);
    static constexpr const char* kWords[] = {"", "CAPS", "NUM", "INS", "", "", "KANA"};
    if (kind > 0 && kind < 7 && kWords[kind][0]) label.setText(QString::fromLatin1(kWords[kind]));
}

void keepStatusPanelsCurrent(QStatusBar& bar, bool anyAutomatic) {
    auto* clock =
        bar.findChild<QTimer*>(QStringLiteral("qelPanelClock"), Qt::FindDirectChildrenOnly);
    if (!anyAutomatic) {
        delete clock;
        return;
    }
    if (!clock) new PanelClock(bar);
    refresh(bar);
}

}  // namespace qel::qtw
