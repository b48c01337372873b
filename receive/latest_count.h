// The hand-over of the frame count from the capture thread to the receive
// window's count box: the capture thread publishes every new count without
// waiting, and at most one update of the box is on its way at a time; that
// update shows the latest count published.
#pragma once

#include <atomic>
#include <cstdint>

class LatestCount {
 public:
  // Capture thread: stores the count. True when no update is on its way:
  // the caller then posts one, which calls Take.
  bool Publish(std::int32_t count);

  // UI thread, in the posted update: the count to show. A count published
  // after this call asks for an update of its own, so the last count
  // published is always shown.
  std::int32_t Take();

 private:
  std::atomic<std::int32_t> count_{0};
  std::atomic<bool> updatePending_{false};
};
