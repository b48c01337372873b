#include "pondel/receive_queue.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "pondel/pondel.h"

namespace pondel {

namespace {

// The event is the caller's auto-reset event: SetEvent on Windows; on Linux an
// eventfd, which a write of 1 makes readable until the caller reads it.
void SignalEvent(Com20020Event event) {
#if defined(_WIN32)
  ::SetEvent(static_cast<HANDLE>(event));
#else
  const std::uint64_t one = 1;
  // A full counter (EAGAIN) means the event is signalled already.
  if (::write(event, &one, sizeof one) < 0) return;
#endif
}

bool Usable(Com20020Event event) {
#if defined(_WIN32)
  return event != nullptr && event != INVALID_HANDLE_VALUE;
#else
  return event >= 0;
#endif
}

}  // namespace

void ReceiveQueue::Open(std::size_t capacity) {
  std::lock_guard lock(mutex_);
  slots_.assign(capacity, ArcnetFrame{});
  head_ = count_ = 0;
  dropped_ = 0;
  event_.reset();
  open_ = true;
}

void ReceiveQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    open_ = false;
    head_ = count_ = 0;
    event_.reset();
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
  if (!Usable(event)) return kPondelSimBadEvent;
  event_ = event;
  SignalLocked();
  return 0;
}

void ReceiveQueue::ClearEvent() {
  // Under the lock, so no signal is under way once this returns and the
  // caller may close the event.
  std::lock_guard lock(mutex_);
  event_.reset();
}

void ReceiveQueue::Wake() {
  std::lock_guard lock(mutex_);
  if (event_) SignalEvent(*event_);
}

std::uint64_t ReceiveQueue::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void ReceiveQueue::SignalLocked() {
  if (event_ && count_ > 0) SignalEvent(*event_);
}

}  // namespace pondel
