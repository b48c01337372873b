#include "pondel/receive_queue.h"

#include "pondel/pondel.h"
#include "pondel/receive_event.h"

namespace pondel {

void ReceiveQueue::Open(std::size_t capacity) {
  std::lock_guard lock(mutex_);
  slots_.assign(capacity, ArcnetFrame{});
  head_ = count_ = 0;
  dropped_ = 0;
  ReleaseEventLocked();
  open_ = true;
}

void ReceiveQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    head_ = count_ = 0;
    ReleaseEventLocked();
  }
  emptied_.notify_all();
}

std::int32_t ReceiveQueue::Take(ArcnetFrame& frame) {
  std::unique_lock lock(mutex_);
  if (count_ == 0) {
    frame.waiting = 0;
    return open_ ? kPondelSimNothingWaiting : kPondelSimOffline;
  }
  CopyFrame(frame, slots_[head_]);
  if (++head_ == slots_.size()) head_ = 0;
  frame.waiting = static_cast<std::uint32_t>(--count_);
  if (count_ == 0) {
    lock.unlock();
    emptied_.notify_all();
  }
  return 0;
}

std::int32_t ReceiveQueue::Flush() {
  {
    std::lock_guard lock(mutex_);
    if (!open_) return kPondelSimOffline;
    head_ = count_ = 0;
  }
  emptied_.notify_all();
  return 0;
}

std::int32_t ReceiveQueue::SetEvent(Com20020Event event) {
  std::lock_guard lock(mutex_);
  if (!open_) return kPondelSimOffline;
  if (!receive_event::Usable(event)) return kPondelSimBadEvent;
  const std::optional<Com20020Event> own = receive_event::Duplicate(event);
  if (!own) return kPondelSimBadEvent;
  ReleaseEventLocked();
  event_ = own;
  SignalLocked();
  return 0;
}

void ReceiveQueue::ClearEvent() {
  // Under the lock, so no signal is under way once this returns and the
  // caller may close the event.
  std::lock_guard lock(mutex_);
  ReleaseEventLocked();
}

void ReceiveQueue::Wake() {
  std::lock_guard lock(mutex_);
  if (event_) receive_event::Signal(*event_);
}

std::uint64_t ReceiveQueue::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void ReceiveQueue::ReleaseEventLocked() {
  if (event_) receive_event::Release(*event_);
  event_.reset();
}

void ReceiveQueue::SignalLocked() {
  if (event_ && count_ > 0) receive_event::Signal(*event_);
}

}  // namespace pondel
