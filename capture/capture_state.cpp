#include "capture/capture_state.h"

#include <limits>

std::atomic<std::uint8_t> CaptureRunning{0};
std::atomic<std::uint8_t> CaptureFinished{0};
std::atomic<std::int32_t> ReceivedCount{0};

std::int32_t CountReceivedFrame() {
  // A compare-exchange, so a Reset's zeroing on the UI thread is never
  // overwritten with the old count plus one.
  std::int32_t count = ReceivedCount.load(std::memory_order_relaxed);
  while (count < std::numeric_limits<std::int32_t>::max() &&
         !ReceivedCount.compare_exchange_weak(count, count + 1, std::memory_order_relaxed)) {
  }
  return count < std::numeric_limits<std::int32_t>::max() ? count + 1 : count;
}
