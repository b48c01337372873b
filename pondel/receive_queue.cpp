#include "pondel/receive_queue.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <fstream>
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
  if (length >= 0) {
    if (std::string_view(name, static_cast<std::size_t>(length)) != "anon_inode:[eventfd]")
      return false;
    // A read of a semaphore-mode eventfd takes 1 from its count instead of
    // resetting it: not an auto-reset event. The kernel says which mode in
    // the descriptor's fdinfo (older kernels do not say, and then it cannot be told).
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(event));
    for (std::string line; std::getline(info, line);)
      if (line.starts_with("eventfd-semaphore:")) return line.find('1') == std::string::npos;
    return true;
  }
  // Without /proc: an anonymous inode (no file type at all) is as near as
  // the descriptor itself tells.
  struct stat info;
  return fstat(event, &info) == 0 && (info.st_mode & S_IFMT) == 0;
#endif
}

// The library's own duplicate of the caller's event, so that an event the
// caller closes too early takes no wake-up into whatever file is given its
// number next. Nothing when it cannot be made.
std::optional<Com20020Event> Duplicate(Com20020Event event) {
#if defined(_WIN32)
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(event), GetCurrentProcess(), &copy,
                       0, FALSE, DUPLICATE_SAME_ACCESS))
    return std::nullopt;
  return copy;
#else
  const int copy = fcntl(event, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return std::nullopt;
  return copy;
#endif
}

void Release(Com20020Event event) {
#if defined(_WIN32)
  CloseHandle(static_cast<HANDLE>(event));
#else
  close(event);
#endif
}

}  // namespace

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
  if (!Usable(event)) return kPondelSimBadEvent;
  const std::optional<Com20020Event> own = Duplicate(event);
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
  if (event_) SignalEvent(*event_);
}

std::uint64_t ReceiveQueue::Dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void ReceiveQueue::ReleaseEventLocked() {
  if (event_) Release(*event_);
  event_.reset();
}

void ReceiveQueue::SignalLocked() {
  if (event_ && count_ > 0) SignalEvent(*event_);
}

}  // namespace pondel
