// The library's sockets where POSIX and Winsock differ: the Winsock side.
#include <string>

#include "os_sockets.h"

namespace pondel::net {

namespace {

// The event a thread's overlapped receives signal: one per thread, made at
// its first receive, since a capture waits up to a thousand times a second.
HANDLE ReceiveEvent() {
  struct Event {
    HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Event() {
      if (handle != nullptr) CloseHandle(handle);
    }
  };
  thread_local const Event event;
  return event.handle;
}

}  // namespace

bool Startup() {
  // Counted by Winsock; never undone, as the library stays loaded.
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

NativeSocket Socket::Invalid() {
  return INVALID_SOCKET;
}

void Socket::Close() {
  if (!valid()) return;
  closesocket(handle_);
  handle_ = Invalid();
}

Wait WaitReadable(const Socket& socket, std::chrono::milliseconds timeout) {
  WSAPOLLFD p{socket.native(), POLLRDNORM, 0};
  const int ready = WSAPoll(&p, 1, static_cast<INT>(timeout.count()));
  if (ready == 0) return Wait::kTimedOut;
  return ready > 0 ? Wait::kReady : Wait::kFailed;
}

std::ptrdiff_t ReceiveWithin(const Socket& socket, std::span<std::uint8_t> into,
                             std::chrono::milliseconds timeout) {
  // Not WSAPoll or select, then recv: under Wine (8.0) they see bytes that
  // arrive while they wait late, one time in ten by 2 ms or more, where a
  // receive already under way sees them at once (bench/socket_wait_bench.cpp).
  // So the receive itself waits, overlapped, and is cancelled if nothing
  // comes in time.
  WSAOVERLAPPED overlapped{};
  overlapped.hEvent = ReceiveEvent();
  if (overlapped.hEvent == nullptr || !WSAResetEvent(overlapped.hEvent)) return kFailed;
  WSABUF buffer{static_cast<ULONG>(into.size()), reinterpret_cast<char*>(into.data())};
  DWORD received = 0;
  DWORD flags = 0;
  if (WSARecv(socket.native(), &buffer, 1, &received, &flags, &overlapped, nullptr) != 0) {
    if (WSAGetLastError() != WSA_IO_PENDING) return kFailed;
    const bool timedOut =
        WaitForSingleObject(overlapped.hEvent, static_cast<DWORD>(timeout.count())) == WAIT_TIMEOUT;
    if (timedOut) CancelIoEx(reinterpret_cast<HANDLE>(socket.native()), &overlapped);
    // Cancelled or not, the receive has ended before `overlapped` goes; bytes
    // that came as it was cancelled are still received.
    if (!WSAGetOverlappedResult(socket.native(), &overlapped, &received, TRUE, &flags))
      return timedOut && WSAGetLastError() == WSA_OPERATION_ABORTED ? kTimedOut : kFailed;
  }
  return static_cast<std::ptrdiff_t>(received);
}

void ShutdownSending(const Socket& socket) {
  ::shutdown(socket.native(), SD_SEND);
}

void ShutdownBoth(const Socket& socket) {
  ::shutdown(socket.native(), SD_BOTH);
  // The shutdown alone does not end a receive under way in another thread
  // (Wine lets it wait on): it is cancelled.
  CancelIoEx(reinterpret_cast<HANDLE>(socket.native()), nullptr);
}

std::string LastError() {
  return "Winsock error " + std::to_string(WSAGetLastError());
}

}  // namespace pondel::net
