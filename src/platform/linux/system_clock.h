// The clock on Linux: the system's wall clock, local time in the user's time
// zone (TZ or /etc/localtime) and the monotonic clock since boot.
#pragma once

#include "platform/ports/clock.h"

namespace qel {

class SystemClock : public Clock {
  public:
    LocalTime localTime(Seconds at) override;
};

}  // namespace qel
