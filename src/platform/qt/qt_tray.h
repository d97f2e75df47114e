// The tray icon on Qt: a QSystemTrayIcon where the desktop has a tray. Where
// it has none (offscreen, no StatusNotifier host) the icon's state is still
// held, so that scripts read it back and replayed clicks reach its window;
// balloons then go to the host's notification instead.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

#include "platform/ports/tray.h"

namespace qel {

class QtWidgets;

class QtTray : public QObject, public TrayPort {
  public:
    explicit QtTray(QtWidgets& set) : set_(set) {}
    ~QtTray() override;

    void place(const TrayIconState& state) override;
    void remove() override;
    bool balloon(TextView title, TextView text, BalloonIcon icon, int milliseconds) override;
    std::string click(int message) override;

    // For tests: what the icon holds, and Qt's icon when a tray shows it.
    const std::optional<TrayIconState>& state() const { return state_; }
    QSystemTrayIcon* systemIcon() const { return icon_.get(); }

  private:
    QIcon iconFor(const TrayIconState& state) const;
    void activated(QSystemTrayIcon::ActivationReason reason);
    void report(int message);

    QtWidgets& set_;
    std::optional<TrayIconState> state_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

namespace qtw {
// Whether a tray icon shows on the desktop (a source of events even with
// every window hidden).
bool trayIconShowing();
}  // namespace qtw

}  // namespace qel
