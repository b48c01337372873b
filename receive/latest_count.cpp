#include "receive/latest_count.h"

bool LatestCount::Publish(std::int32_t count) {
  // Every access here and in Take is sequentially consistent. With a relaxed
  // store and load, this thread may read the flag still set while the update
  // clears it and reads the old count: neither side would show the new count,
  // and a capture's last count would never reach the box.
  count_.store(count);
  return !updatePending_.load() && !updatePending_.exchange(true);
}

std::int32_t LatestCount::Take() {
  // Cleared before the count is read: a count published after this read
  // sees the flag clear and asks for an update of its own.
  updatePending_.store(false);
  return count_.load();
}
