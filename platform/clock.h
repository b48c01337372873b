// The host's calendar clock, read once per timestamp.
#pragma once

#include <cstdint>

namespace platform {

struct WallTime {
  std::int64_t seconds;        // since 1970-01-01 00:00:00 UTC
  std::uint32_t milliseconds;  // 0-999 within that second
};

// One reading of the calendar clock, so the seconds and the milliseconds
// always belong to the same instant.
WallTime WallClockNow();

}  // namespace platform
