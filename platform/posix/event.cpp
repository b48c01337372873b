#include "platform/event.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

EventHandle CreateAutoResetEvent() {
  // Non-blocking, so that a reset of an event that is not signalled returns
  // at once instead of waiting for a signal.
  const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return fd >= 0 ? fd : kNoEvent;
}

void ResetEvent(EventHandle event) {
  std::uint64_t count;
  while (read(event, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

void SignalEvent(EventHandle event) {
  const std::uint64_t one = 1;
  while (write(event, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void CloseEvent(EventHandle event) {
  close(event);
}

WaitResult WaitForEvent(EventHandle event, std::chrono::milliseconds timeout) {
  pollfd p{event, POLLIN, 0};
  const int ready = poll(&p, 1, static_cast<int>(timeout.count()));
  if (ready == 0) return WaitResult::kTimedOut;
  if (ready < 0 || (p.revents & POLLIN) == 0) return WaitResult::kFailed;
  ResetEvent(event);
  return WaitResult::kSignalled;
}

}  // namespace platform
