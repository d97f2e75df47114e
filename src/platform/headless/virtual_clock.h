// A clock that moves only when told to: the console host's virtual clock
// (sleeping advances it at once) and the clock of tests that need a known
// date.
#pragma once

#include <memory>
#include <optional>

#include "platform/ports/clock.h"

namespace qel {

class VirtualClock : public Clock {
  public:
    // The wall clock and local time are `wall`'s (the standard clocks when
    // none is given) until setWallTime; the monotonic clock starts at 0.
    explicit VirtualClock(std::unique_ptr<Clock> wall = nullptr);

    // From now on the wall clock reads `at` and moves only with advance();
    // local time is `utcOffset` ahead of UTC.
    void setWallTime(TimePoint at, std::chrono::minutes utcOffset = std::chrono::minutes(0));
    // Moves the monotonic clock (and a set wall clock) forward.
    void advance(double milliseconds);
    // The milliseconds advance() adds to, for a host whose sleeps advance
    // the clock. Held weakly: a clock taken out of its bundle and destroyed
    // is simply no longer advanced.
    std::weak_ptr<double> elapsed() const { return elapsedMs_; }

    TimePoint now() override;
    LocalTime localTime(Seconds at) override;
    double monotonicMs() override { return *elapsedMs_; }

  private:
    struct FixedWall {
        TimePoint at;
        std::chrono::minutes utcOffset;
        double setAtMs;  // the monotonic reading when it was set
    };

    std::unique_ptr<Clock> wall_;
    std::optional<FixedWall> fixed_;
    std::shared_ptr<double> elapsedMs_ = std::make_shared<double>(0);
};

}  // namespace qel
