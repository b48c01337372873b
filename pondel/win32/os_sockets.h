// Winsock as the library's sockets code uses it: the system's headers, and
// under one set of names what POSIX sockets name or do otherwise.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "pondel/net.h"

namespace pondel::net::os {

using SocketLength = int;

inline int LastErrorCode() {
  return WSAGetLastError();
}

// The errors the portable code tells apart.
constexpr int kInProgressCode = WSAEWOULDBLOCK;
constexpr int kInterruptedCode = WSAEINTR;
constexpr int kRefusedCode = WSAECONNREFUSED;
constexpr int kTimedOutCode = WSAETIMEDOUT;
constexpr int kWouldBlockCodes[] = {WSAEWOULDBLOCK};
constexpr int kUnreachableCodes[] = {WSAENETUNREACH, WSAEHOSTUNREACH, WSAEAFNOSUPPORT,
                                     WSAEADDRNOTAVAIL};

// Winsock raises no signal for a peer that has gone.
constexpr int kSendFlags = 0;

inline NativeSocket OpenSocket(int family, int type) {
  return static_cast<NativeSocket>(::socket(family, type, 0));
}

inline bool SetBlocking(NativeSocket s, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

// A blocking send to a peer that reads nothing gives up after `timeout`.
inline void SetSendTimeout(NativeSocket s, std::chrono::milliseconds timeout) {
  const DWORD ms = static_cast<DWORD>(timeout.count());
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}

// Until a non-blocking connect has ended: 0 when it has, else the timeout's
// code or the wait's own error. select, whose WSAPoll does not report a
// refused connect.
inline int AwaitWritable(NativeSocket s, std::chrono::milliseconds timeout) {
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval tv{static_cast<long>(timeout.count() / 1000),
             static_cast<long>(timeout.count() % 1000 * 1000)};
  const int ready = select(0, nullptr, &writable, &failed, &tv);
  if (ready == 0) return kTimedOutCode;
  if (ready < 0) return LastErrorCode();
  return 0;
}

// Winsock's SO_REUSEADDR would let another program take the port from the
// device: a listener keeps the default.
inline void PrepareListener(NativeSocket) {}

// Close-on-exec, which POSIX sets on an accepted connection, has no
// counterpart here.
inline void PrepareAccepted(NativeSocket) {}

// No interface's own broadcast address is added to a discovery's targets.
inline std::vector<std::uint32_t> InterfaceBroadcasts() {
  return {};
}

}  // namespace pondel::net::os
