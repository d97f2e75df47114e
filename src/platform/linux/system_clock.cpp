#include "platform/linux/system_clock.h"

#include <ctime>

namespace qel {

LocalTime SystemClock::localTime(Seconds at) {
    std::time_t seconds = static_cast<std::time_t>(at.time_since_epoch().count());
    std::tm local{};
    // Only a year beyond what struct tm holds fails; UTC is then the best
    // answer there is.
    if (!localtime_r(&seconds, &local)) return calendarTime(at, std::chrono::minutes(0));
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace qel
