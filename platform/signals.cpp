#include "platform/signals.h"

#include <cassert>

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#include <iterator>
#include <unistd.h>
#endif

namespace platform {

namespace {

// Set and stored into from a signal handler: a lock-free atomic is safe there.
std::atomic<std::atomic<bool>*> stopFlag{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);

void RequestStop() {
  if (std::atomic<bool>* flag = stopFlag.load()) flag->store(true);
}

}  // namespace

#if defined(_WIN32)

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

StopRequests::StopRequests(std::atomic<bool>& requested) {
  assert(stopFlag.load() == nullptr);
  stopFlag = &requested;
  ResetEvent(requestsDone);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopRequests::~StopRequests() {
  SetEvent(requestsDone);
  SetConsoleCtrlHandler(OnConsoleControl, FALSE);
  stopFlag = nullptr;
}

bool StopRequests::ParentGone() const {
  return false;
}

#else

void ReportFailedWritesAsErrors() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM};
struct sigaction previous[std::size(kStopSignals)];

}  // namespace

StopRequests::StopRequests(std::atomic<bool>& requested) : parent_(getppid()) {
  assert(stopFlag.load() == nullptr);
  stopFlag = &requested;
  struct sigaction action {};
  action.sa_handler = [](int) { RequestStop(); };
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    sigaction(kStopSignals[i], &action, &previous[i]);
}

StopRequests::~StopRequests() {
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    sigaction(kStopSignals[i], &previous[i], nullptr);
  stopFlag = nullptr;
}

bool StopRequests::ParentGone() const {
  return getppid() != parent_;
}

#endif

}  // namespace platform
