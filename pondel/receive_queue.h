// The adapter's receive queue: the frames the controller took off the wire,
// in arrival order, until Com20020Receive takes them. It is bounded: when it
// is full the newest frames are dropped and counted. It also holds the
// caller's receive event and signals it whenever frames are waiting.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

  // Frames arriving from the wire: those whose destination accept(destination)
  // takes are appended, dropped and counted when the queue is full, and the
  // event is signalled. The filter is applied here, on arrival, so it is the
  // controller's setting of this moment that counts. False once closed.
  template <typename Accept>
  bool Push(std::span<const ArcnetFrame> frames, Accept accept) {
    std::lock_guard lock(mutex_);
    return PushLocked(frames, accept);
  }
  // The same, once the queue has been emptied.
  template <typename Accept>
  bool PushWhenEmpty(std::span<const ArcnetFrame> frames, Accept accept) {
    std::unique_lock lock(mutex_);
    emptied_.wait(lock, [this] { return !open_ || count_ == 0; });
    return PushLocked(frames, accept);
  }

  // Com20020Receive: 0 and the oldest frame, or kPondelSimNothingWaiting /
  // kPondelSimOffline; frame.waiting is set in every case.
  std::int32_t Take(ArcnetFrame& frame);
  std::int32_t Flush();
  // Keeps a duplicate of the caller's event until ClearEvent or Close, so
  // the caller may close its own at any time.
  std::int32_t SetEvent(Com20020Event event);
  void ClearEvent();
  // Signals the event even with nothing waiting, so that a caller waiting on
  // it asks again and learns why nothing comes.
  void Wake();

  std::uint64_t Dropped() const;

 private:
  template <typename Accept>
  bool PushLocked(std::span<const ArcnetFrame> frames, Accept accept) {
    if (!open_) return false;
    for (const ArcnetFrame& frame : frames) {
      if (!accept(frame.destination)) continue;
      if (count_ == slots_.size()) {
        ++dropped_;
        continue;
      }
      std::size_t tail = head_ + count_;
      if (tail >= slots_.size()) tail -= slots_.size();
      CopyFrame(slots_[tail], frame);
      ++count_;
    }
    SignalLocked();
    return true;
  }
  // Only the header and the data bytes in use are copied: most frames are short.
  static void CopyFrame(ArcnetFrame& to, const ArcnetFrame& from) {
    std::memcpy(&to, &from, offsetof(ArcnetFrame, data) + from.length);
  }
  void SignalLocked();
  void ReleaseEventLocked();

  mutable std::mutex mutex_;
  std::condition_variable emptied_;
  std::vector<ArcnetFrame> slots_;  // a ring: count_ frames from head_
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  bool open_ = false;
  // The library's own duplicate of the caller's event.
  std::optional<Com20020Event> event_;
  std::uint64_t dropped_ = 0;
};

}  // namespace pondel
