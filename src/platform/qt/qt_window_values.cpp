// Windows: outer geometry, the six styles as window flags, state, opacity,
// staying on top, the caption and icon.
#include <QApplication>
#include <QIcon>
#include <QWidget>

#include <algorithm>
#include <cmath>

#include "platform/qt/qt_menus.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel::qtw {

namespace {

constexpr double kMaxExtent = 16777215;
// What Qt accepts as a widget's size (QWIDGETSIZE_MAX).
constexpr int kMaxWidgetSize = (1 << 24) - 1;

WindowStyle styleOf(const Entry& e) {
    return WindowStyle(int(e.heldNumber(WidgetValue::Style)));
}

bool fixedSize(WindowStyle style) {
    return style == WindowStyle::Fixed || style == WindowStyle::FixedTool;
}

// The frame a style usually has, for as long as the desktop has not told
// the real one (before the window is shown, or on a platform without frames
// such as the offscreen one): the same the console assumes, so the inside
// and the outside relate alike on both.
QMargins usualFrame(WindowStyle style) {
    switch (style) {
        case WindowStyle::Borderless:
        case WindowStyle::FullScreen:
            return {};
        case WindowStyle::Tool:
        case WindowStyle::FixedTool:
            return {6, 26, 6, 6};
        default:
            return {8, 31, 8, 8};
    }
}

void keepFixedSize(Entry& e) {
    QWidget* w = e.widget;
    if (fixedSize(styleOf(e))) {
        w->setFixedSize(w->size());
    } else {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(kMaxWidgetSize, kMaxWidgetSize);
    }
}

void resizeInside(Entry& e, int width, int height) {
    QWidget* w = e.widget;
    // A fixed frame refuses sizes not asked by the script; lift it meanwhile.
    w->setMinimumSize(0, 0);
    w->setMaximumSize(kMaxWidgetSize, kMaxWidgetSize);
    w->resize(std::clamp(width, 0, kMaxWidgetSize), std::clamp(height, 0, kMaxWidgetSize));
    keepFixedSize(e);
}

}  // namespace

QMargins frameOf(const Entry& e) {
    const QWidget* w = e.widget;
    if (w && w->isVisible()) {
        const QRect outer = w->frameGeometry();
        const QRect inner = w->geometry();
        QMargins real(inner.left() - outer.left(), inner.top() - outer.top(),
                      outer.right() - inner.right(), outer.bottom() - inner.bottom());
        if (!real.isNull()) return real;
    }
    return usualFrame(styleOf(e));
}

void applyWindowFlags(Entry& e) {
    QWidget* w = e.widget;
    if (!w) return;
    const WindowStyle style = styleOf(e);
    Qt::WindowFlags flags;
    switch (style) {
        case WindowStyle::Borderless:
        case WindowStyle::FullScreen:
            flags = Qt::Window | Qt::FramelessWindowHint;
            break;
        case WindowStyle::Tool:
        case WindowStyle::FixedTool:
            flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
            break;
        default:
            flags = (e.dialog ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint |
                    Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
            if (e.heldNumber(WidgetValue::SystemMenu, 1)) flags |= Qt::WindowSystemMenuHint;
            if (e.heldNumber(WidgetValue::MinimiseBox, 1)) flags |= Qt::WindowMinimizeButtonHint;
            // A window of fixed size has nothing to maximise to.
            if (e.heldNumber(WidgetValue::MaximiseBox, 1) && !fixedSize(style))
                flags |= Qt::WindowMaximizeButtonHint;
            break;
    }
    if (e.heldNumber(WidgetValue::StayOnTop)) flags |= Qt::WindowStaysOnTopHint;
    if (flags == w->windowFlags()) return;
    // Changing the flags hides a window; one that was shown stays shown.
    const bool shown = w->isVisible();
    w->setWindowFlags(flags);
    keepFixedSize(e);
    if (shown) w->show();
}

Read readWindow(QtWidgets& set, Entry& e, WidgetValue v) {
    (void)set;
    QWidget* w = e.widget;
    const QMargins frame = frameOf(e);
    switch (v) {
        case WidgetValue::Left:
            return answer(double(w->frameGeometry().x()));
        case WidgetValue::Top:
            return answer(double(w->frameGeometry().y()));
        case WidgetValue::Width:
            return answer(double(w->width() + frame.left() + frame.right()));
        case WidgetValue::Height:
            return answer(double(w->height() + frame.top() + frame.bottom()));
        case WidgetValue::ClientWidth:
            return answer(double(w->width()));
        case WidgetValue::ClientHeight:
            // The menu bar is no part of the inside.
            return answer(double(w->height() - clientTop(w)));
        case WidgetValue::Caption:
            return answer(fromQString(w->windowTitle()));
        case WidgetValue::Visible:
            return answer(w->isVisible() ? 1.0 : 0.0);
        case WidgetValue::Enabled:
            return answer(w->isEnabled() ? 1.0 : 0.0);
        case WidgetValue::WindowState: {
            const Qt::WindowStates state = w->windowState();
            if (state & Qt::WindowMinimized) return answer(1.0);
            if (state & Qt::WindowMaximized) return answer(2.0);
            return answer(0.0);
        }
        case WidgetValue::StayOnTop:
            return answer(w->windowFlags() & Qt::WindowStaysOnTopHint ? 1.0 : 0.0);
        case WidgetValue::Opacity:
            return answer(std::round(w->windowOpacity() * 255));
        case WidgetValue::TabStop:
        case WidgetValue::TabIndex:
        case WidgetValue::ToolTip:
        case WidgetValue::Pointer:
            // Not a window's values (the console's windows have none either).
            if (!e.held.count(v)) return answer(std::nullopt);
            return notMine();
        default:
            return notMine();
    }
}

Write writeWindow(QtWidgets& set, Entry& e, WidgetValue v, const WidgetData& data) {
    (void)set;
    QWidget* w = e.widget;
    const double* n = std::get_if<double>(&data);
    const Text* t = std::get_if<Text>(&data);
    const QMargins frame = frameOf(e);
    switch (v) {
        case WidgetValue::Left:
        case WidgetValue::Top: {
            if (!n) return Write::Refused;
            const int place = int(std::clamp(std::round(*n), -kMaxExtent, kMaxExtent));
            QPoint at = w->frameGeometry().topLeft();
            (v == WidgetValue::Left ? at.rx() : at.ry()) = place;
            w->move(at);
            return Write::Done;
        }
        case WidgetValue::Width:
        case WidgetValue::Height:
        case WidgetValue::ClientWidth:
        case WidgetValue::ClientHeight: {
            if (!n) return Write::Refused;
            const bool wide = v == WidgetValue::Width || v == WidgetValue::ClientWidth;
            const bool outer = v == WidgetValue::Width || v == WidgetValue::Height;
            const int inset = !outer ? (wide ? 0 : -clientTop(w))
                              : wide ? frame.left() + frame.right()
                                     : frame.top() + frame.bottom();
            const double size = std::clamp(std::round(*n), 0.0, kMaxExtent);
            const int inside = std::max(0, int(size) - inset);
            if (wide) {
                resizeInside(e, inside, w->height());
            } else {
                resizeInside(e, w->width(), inside);
            }
            return Write::Done;
        }
        case WidgetValue::Caption:
            if (!t) return Write::Refused;
            w->setWindowTitle(toQString(*t));
            return Write::Done;
        case WidgetValue::Visible:
            if (!n) return Write::Refused;
            w->setVisible(*n != 0);
            return Write::Done;
        case WidgetValue::WindowState: {
            if (!n || *n < 0 || *n > 2) return Write::Refused;
            const int state = int(std::round(*n));
            w->setWindowState(state == 1   ? Qt::WindowMinimized
                              : state == 2 ? Qt::WindowMaximized
                                           : Qt::WindowNoState);
            return Write::Done;
        }
        case WidgetValue::Style: {
            if (!n || *n < 0 || *n > 5) return Write::Refused;
            e.held[v] = std::round(*n);
            applyWindowFlags(e);
            if (w->isVisible()) {
                if (styleOf(e) == WindowStyle::FullScreen) {
                    w->showFullScreen();
                } else if (w->windowState() & Qt::WindowFullScreen) {
                    w->showNormal();
                }
            }
            return Write::Done;
        }
        case WidgetValue::StayOnTop:
        case WidgetValue::MinimiseBox:
        case WidgetValue::MaximiseBox:
        case WidgetValue::SystemMenu:
            if (!n) return Write::Refused;
            e.held[v] = *n != 0 ? 1.0 : 0.0;
            applyWindowFlags(e);
            return Write::Done;
        case WidgetValue::Opacity:
            if (!n) return Write::Refused;
            w->setWindowOpacity(std::clamp(std::round(*n), 0.0, 255.0) / 255.0);
            return Write::Done;
        case WidgetValue::IconFile:
            if (!t) return Write::Refused;
            e.held[v] = *t;
            w->setWindowIcon(t->empty() ? QIcon() : QIcon(toQString(*t)));
            return Write::Done;
        default:
            return Write::NotMine;
    }
}

}  // namespace qel::qtw
