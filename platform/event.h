// The unnamed auto-reset event that the adapter library signals when frames
// are waiting: a Win32 event on Windows, an eventfd on Linux (not in
// semaphore mode, so reading it resets it).
#pragma once

#include <chrono>

#include "adapter/com20020.h"

namespace platform {

using EventHandle = Com20020Event;

#if defined(_WIN32)
inline const EventHandle kNoEvent = nullptr;
#else
inline constexpr EventHandle kNoEvent = -1;
#endif

// Not signalled at first; kNoEvent when it cannot be created.
EventHandle CreateAutoResetEvent();
void ResetEvent(EventHandle event);
void SignalEvent(EventHandle event);
void CloseEvent(EventHandle event);

enum class WaitResult { kSignalled, kTimedOut, kFailed };

// Waits until the event is signalled, at most `timeout`; a signalled wait
// resets the event.
WaitResult WaitForEvent(EventHandle event, std::chrono::milliseconds timeout);

}  // namespace platform
