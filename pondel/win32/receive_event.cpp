#include "pondel/receive_event.h"

#include <windows.h>

namespace pondel::receive_event {

void Signal(Com20020Event event) {
  ::SetEvent(static_cast<HANDLE>(event));
}

bool Usable(Com20020Event event) {
  // An open handle; Win32 cannot tell an event from other waitable handles
  // without the undocumented NtQueryObject.
  DWORD flags;
  return event != nullptr && event != INVALID_HANDLE_VALUE &&
         GetHandleInformation(static_cast<HANDLE>(event), &flags);
}

std::optional<Com20020Event> Duplicate(Com20020Event event) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(event), GetCurrentProcess(), &copy,
                       0, FALSE, DUPLICATE_SAME_ACCESS))
    return std::nullopt;
  return copy;
}

void Release(Com20020Event event) {
  CloseHandle(static_cast<HANDLE>(event));
}

}  // namespace pondel::receive_event
