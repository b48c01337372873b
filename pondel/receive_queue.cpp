#include "pondel/receive_queue.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
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

// Only the caller's event will do: a signal written into anything else (a
// file, a pipe, a closed descriptor) would be lost or land in a stranger's
// data, and the caller would wait for nothing.
bool Usable(Com20020Event event) {
#if defined(_WIN32)
  // An open handle; Win32 cannot tell an event from other waitable handles
  // without the undocumented NtQueryObject.
  DWORD flags;
  return event != nullptr && event != INVALID_HANDLE_VALUE &&
         GetHandleInformation(static_cast<HANDLE>(event), &flags);
#else
  if (event < 0 || fcntl(event, F_GETFD) < 0) return false;  // not open
  // The kernel names what an anonymous descriptor is.
  char name[64];
  const std::string link = "/proc/self/fd/" + std::to_string(event);
  const ssize_t length = readlink(link.c_str(), name, sizeof name);
  if (length >= 0)
    return std::string_view(name, static_cast<std::size_t>(length)) == "anon_inode:[eventfd]";
  // Without /proc: an anonymous inode (no file type at all) is as near as
  // the descriptor itself tells.
  struct stat info;
  return fstat(event, &info) == 0 && (info.st_mode & S_IFMT) == 0;
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
