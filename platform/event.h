// An unnamed auto-reset event: a Win32 event on Windows, an eventfd on Linux
// (not in semaphore mode, so reading it resets it). The capture thread hands
// one to the adapter library, which signals it when frames are waiting.
#pragma once

#include <chrono>

// EventHandle and kNoEvent, the system's own: posix/ or win32/, as the build
// chooses.
#include "event_handle.h"

namespace platform {

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
