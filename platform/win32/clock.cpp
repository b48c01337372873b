#include "platform/clock.h"

#include <windows.h>

namespace platform {

WallTime WallClockNow() {
  // FILETIME counts 100 ns intervals since 1601-01-01.
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  const std::uint64_t ticks = (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
  const std::uint64_t since1970 = ticks - 116444736000000000ULL;
  return {static_cast<std::int64_t>(since1970 / 10000000),
          static_cast<std::uint32_t>(since1970 % 10000000 / 10000)};
}

}  // namespace platform
