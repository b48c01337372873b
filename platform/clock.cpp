#include "platform/clock.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace platform {

WallTime WallClockNow() {
#if defined(_WIN32)
  // FILETIME counts 100 ns intervals since 1601-01-01.
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  const std::uint64_t ticks = (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
  const std::uint64_t since1970 = ticks - 116444736000000000ULL;
  return {static_cast<std::int64_t>(since1970 / 10000000),
          static_cast<std::uint32_t>(since1970 % 10000000 / 10000)};
#else
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return {static_cast<std::int64_t>(ts.tv_sec), static_cast<std::uint32_t>(ts.tv_nsec / 1000000)};
#endif
}

}  // namespace platform
