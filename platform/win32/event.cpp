#include "platform/event.h"

#include <windows.h>

namespace platform {

EventHandle CreateAutoResetEvent() {
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return event != nullptr ? event : kNoEvent;
}
void ResetEvent(EventHandle event) {
  ::ResetEvent(event);
}
void SignalEvent(EventHandle event) {
  ::SetEvent(event);
}
void CloseEvent(EventHandle event) {
  CloseHandle(event);
}

WaitResult WaitForEvent(EventHandle event, std::chrono::milliseconds timeout) {
  switch (WaitForSingleObject(event, static_cast<DWORD>(timeout.count()))) {
    case WAIT_OBJECT_0:
      return WaitResult::kSignalled;
    case WAIT_TIMEOUT:
      return WaitResult::kTimedOut;
    default:
      return WaitResult::kFailed;
  }
}

}  // namespace platform
