#include "platform/signals.h"

#include <windows.h>

namespace platform {

void ReportFailedWritesAsErrors() {}

namespace {

// Set when the StopRequests in force goes, that is when the program has
// finished what a stop request asked of it. Made once, never closed: a
// handler may still wait on it.
HANDLE requestsDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      RequestStop();
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // The console closes, or the session ends: the system ends the process
      // as soon as this returns, and at the latest after 5 s. Until then the
      // program stops as on Ctrl+C, so its files end whole.
      RequestStop();
      WaitForSingleObject(requestsDone, 4500);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void StopRequests::Install() {
  ResetEvent(requestsDone);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

void StopRequests::Uninstall() {
  SetEvent(requestsDone);
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

bool StopRequests::ParentGone() const {
  return false;
}

}  // namespace platform
