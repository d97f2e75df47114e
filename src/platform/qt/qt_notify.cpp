// Tray balloons where no tray icon can show them: the desktop's notification
// service (org.freedesktop.Notifications on the session bus), else a line on
// standard error, so that the message is never lost without a word.
#include <QApplication>

#ifdef QEL_QT_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>
#endif

#include "platform/qt/qt_host.h"
#include "platform/qt/qt_text.h"

namespace qel {

namespace {

#ifdef QEL_QT_DBUS
constexpr int kShownMs = 15000;
// How long a run waits for the service to answer before telling the user
// on standard error instead.
constexpr int kAnswerMs = 2000;

bool notifyOverBus(TextView title, TextView text, int icon) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QString iconName = icon == 3   ? QStringLiteral("dialog-error")
                             : icon == 2 ? QStringLiteral("dialog-warning")
                                         : QStringLiteral("dialog-information");
    QVariantMap hints;
    // Errors stay until the user has seen them.
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(icon == 3 ? 2 : 1));
    call << QApplication::applicationName() << uint(0) << iconName << toQString(title)
         << toQString(text) << QStringList() << hints << kShownMs;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kAnswerMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}
#endif

}  // namespace

void QtHost::notify(TextView title, TextView text, int icon) {
#ifdef QEL_QT_DBUS
    if (notifyOverBus(title, text, icon)) return;
#endif
    UiHost::notify(title, text, icon);
}

}  // namespace qel
