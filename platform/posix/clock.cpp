#include "platform/clock.h"

#include <time.h>

namespace platform {

WallTime WallClockNow() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return {static_cast<std::int64_t>(ts.tv_sec), static_cast<std::uint32_t>(ts.tv_nsec / 1000000)};
}

}  // namespace platform
