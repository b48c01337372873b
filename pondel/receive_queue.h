// The adapter's receive queue: the frames the controller took off the wire,
// in arrival order, until Com20020Receive takes them. It is bounded: when it
// is full the newest frames are dropped and counted. It also holds the
// caller's receive event and signals it whenever frames are waiting.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "adapter/com20020.h"

namespace pondel {

class ReceiveQueue {
 public:
  // On line and empty, with room for capacity frames, no event, no drops.
  void Open(std::size_t capacity);
  // Off line: empty, refuses everything, never signals again.
  void Close();

  // Appends frames, dropping those that find the queue full, and signals the
  // event. False once the queue is closed.
  bool Push(std::span<const ArcnetFrame> frames);
  // Waits until the queue has been emptied, then pushes; false once closed.
  bool PushWhenEmpty(std::span<const ArcnetFrame> frames);

  // Com20020Receive: 0 and the oldest frame, or kPondelSimNothingWaiting /
  // kPondelSimOffline; frame.waiting is set in every case.
  std::int32_t Take(ArcnetFrame& frame);
  std::int32_t Flush();
  std::int32_t SetEvent(Com20020Event event);
  void ClearEvent();

  std::uint64_t Dropped() const;

 private:
  void SignalLocked();

  mutable std::mutex mutex_;
  std::condition_variable emptied_;
  std::vector<ArcnetFrame> slots_;  // a ring: count_ frames from head_
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  bool open_ = false;
  std::optional<Com20020Event> event_;
  std::uint64_t dropped_ = 0;
};

}  // namespace pondel
