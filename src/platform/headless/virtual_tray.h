// The tray icon without a display: its state is held, balloons are left to
// the host's notification (the console's transcript), and a replayed
// session's clicks reach the icon's window as the desktop's would.
#pragma once

#include <functional>
#include <optional>

#include "platform/ports/tray.h"

namespace qel {

class VirtualTray : public TrayPort {
  public:
    using Reporter = std::function<void(const WidgetEvent&)>;
    explicit VirtualTray(Reporter report) : report_(std::move(report)) {}

    void place(const TrayIconState& state) override { state_ = state; }
    void remove() override { state_.reset(); }
    bool balloon(TextView, TextView, BalloonIcon, int) override { return false; }
    std::string click(int message) override;

    const std::optional<TrayIconState>& state() const { return state_; }

  private:
    Reporter report_;
    std::optional<TrayIconState> state_;
};

}  // namespace qel
