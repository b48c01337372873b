// What the operating system does to a program from outside: the signals a
// failed write raises, and the requests to stop (Ctrl+C, SIGTERM) that a
// program ending in order must see as requests rather than as its end.
#pragma once

#include <atomic>

namespace platform {

// Process-wide and for good: a write to a pipe or FIFO whose reader has gone,
// or past the process's file-size limit (ulimit -f), fails with an error
// that the writer reports ("Broken pipe", "File too large"), instead of
// raising SIGPIPE or SIGXFSZ, which end the program without a word. Windows
// has no such signals: nothing to do there.
void ReportFailedWritesAsErrors();

// While it lives, a request to stop the program sets `requested` instead of
// ending it: SIGINT (Ctrl+C), SIGTERM (how Wireshark stops a capture
// program), SIGHUP (the terminal closed), SIGQUIT, and SIGUSR1, SIGUSR2 and
// SIGALRM, which would otherwise end the program without a word; on Windows
// Ctrl+C, Ctrl+Break, and the console's close, log-off and shut-down, whose
// handler holds the process (up to 4.5 s, within what Windows grants) until
// this goes. A blocking call that the signal interrupts returns early (no
// SA_RESTART). One at a time; the handling before it is restored
// when it goes.
class StopRequests {
 public:
  explicit StopRequests(std::atomic<bool>& requested);
  ~StopRequests();

  // The process that started this one has ended since: its orphans have
  // passed to another process. Asked, not signalled. Windows: never (a
  // program there learns it from its pipes).
  bool ParentGone() const;
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

 private:
  // The system's handlers, taken on and given back (posix/, win32/).
  void Install();
  void Uninstall();

  long parent_ = 0;
};

// What a stop request does: sets the flag of the StopRequests in force, if
// any. Safe in a signal handler.
void RequestStop();

}  // namespace platform
