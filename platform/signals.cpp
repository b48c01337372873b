#include "platform/signals.h"

#include <cassert>

namespace platform {

namespace {

// Set and stored into from a signal handler: a lock-free atomic is safe there.
std::atomic<std::atomic<bool>*> stopFlag{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<std::atomic<bool>*>::is_always_lock_free);

}  // namespace

void RequestStop() {
  if (std::atomic<bool>* flag = stopFlag.load()) flag->store(true);
}

StopRequests::StopRequests(std::atomic<bool>& requested) {
  assert(stopFlag.load() == nullptr);
  stopFlag = &requested;
  Install();
}

StopRequests::~StopRequests() {
  Uninstall();
  stopFlag = nullptr;
}

}  // namespace platform
