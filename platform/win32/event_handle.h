// The event's handle on Windows: a HANDLE.
#pragma once

namespace platform {

using EventHandle = void*;
inline constexpr EventHandle kNoEvent = nullptr;

}  // namespace platform
