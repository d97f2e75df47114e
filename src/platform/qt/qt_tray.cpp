#include "platform/qt/qt_tray.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include "platform/qt/qt_text.h"
#include "platform/qt/qt_widgets.h"

namespace qel {

namespace {

bool gShowing = false;

// An icon for a program that has none of its own: a tray refuses an empty one.
QIcon plainIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x30, 0x70, 0xC0));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(2, 2, 28, 28);
    return QIcon(pixmap);
}

}  // namespace

namespace qtw {
bool trayIconShowing() {
    return gShowing;
}
}  // namespace qtw

QtTray::~QtTray() {
    gShowing = false;
}

QIcon QtTray::iconFor(const TrayIconState& state) const {
    if (!state.iconFile.empty()) {
        QIcon own(toQString(state.iconFile));
        if (!own.availableSizes().isEmpty()) return own;
    }
    if (QWidget* window = set_.widgetOf(state.window); window && !window->windowIcon().isNull())
        return window->windowIcon();
    if (!QApplication::windowIcon().isNull()) return QApplication::windowIcon();
    return plainIcon();
}

void QtTray::place(const TrayIconState& state) {
    state_ = state;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>();
        connect(icon_.get(), &QSystemTrayIcon::activated, this, &QtTray::activated);
    }
    icon_->setIcon(iconFor(state));
    icon_->setToolTip(toQString(state.tip));
    icon_->show();
    gShowing = true;
}

void QtTray::remove() {
    state_.reset();
    icon_.reset();
    gShowing = false;
}

bool QtTray::balloon(TextView title, TextView text, BalloonIcon icon, int milliseconds) {
    if (!icon_ || !icon_->isVisible() || !QSystemTrayIcon::supportsMessages()) return false;
    const QSystemTrayIcon::MessageIcon shown =
        icon == BalloonIcon::Warning ? QSystemTrayIcon::Warning
        : icon == BalloonIcon::Error ? QSystemTrayIcon::Critical
                                     : QSystemTrayIcon::Information;
    icon_->showMessage(toQString(title), toQString(text), shown, milliseconds);
    return true;
}

std::string QtTray::click(int message) {
    if (!state_) return "the program shows no tray icon";
    report(message);
    return {};
}

void QtTray::activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            report(kTrayLeftUp);
            break;
        case QSystemTrayIcon::DoubleClick:
            report(kTrayLeftDoubleClick);
            break;
        case QSystemTrayIcon::Context:
            report(kTrayRightUp);
            break;
        default:
            break;
    }
}

void QtTray::report(int message) {
    if (!state_) return;
    // A click on the icon brings its window to the front, as on the window.
    if (QWidget* window = set_.widgetOf(state_->window); window && window->isVisible()) {
        if (window->isMinimized()) window->showNormal();
        window->raise();
        window->activateWindow();
    }
    WidgetEventSink* sink = set_.eventSink();
    if (!sink) return;
    WidgetEvent event = eventOf(state_->window, WidgetEventType::TrayMessage);
    event.command = std::uint64_t(message);
    sink->widgetEvent(event);
}

}  // namespace qel
