#include "platform/headless/virtual_clock.h"

namespace qel {

VirtualClock::VirtualClock(std::unique_ptr<Clock> wall)
    : wall_(wall ? std::move(wall) : std::make_unique<Clock>()) {}

void VirtualClock::setWallTime(TimePoint at, std::chrono::minutes utcOffset) {
    fixed_ = FixedWall{at, utcOffset, *elapsedMs_};
}

void VirtualClock::advance(double milliseconds) {
    if (milliseconds > 0) *elapsedMs_ += milliseconds;
}

Clock::TimePoint VirtualClock::now() {
    if (!fixed_) return wall_->now();
    using namespace std::chrono;
    auto moved = duration<double, std::milli>(*elapsedMs_ - fixed_->setAtMs);
    return fixed_->at + duration_cast<TimePoint::duration>(moved);
}

LocalTime VirtualClock::localTime(Seconds at) {
    if (!fixed_) return wall_->localTime(at);
    return calendarTime(at, fixed_->utcOffset);
}

}  // namespace qel
