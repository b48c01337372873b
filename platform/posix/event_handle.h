// The event's handle on Linux: the eventfd's descriptor.
#pragma once

namespace platform {

using EventHandle = int;
inline constexpr EventHandle kNoEvent = -1;

}  // namespace platform
