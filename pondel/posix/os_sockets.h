// The POSIX sockets as the library's sockets code uses them: the system's
// headers, and under one set of names what Winsock names or does otherwise.
#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "pondel/net.h"

namespace pondel::net::os {

using SocketLength = socklen_t;

inline int LastErrorCode() {
  return errno;
}

// The errors the portable code tells apart.
constexpr int kInProgressCode = EINPROGRESS;
constexpr int kInterruptedCode = EINTR;
constexpr int kRefusedCode = ECONNREFUSED;
constexpr int kTimedOutCode = ETIMEDOUT;
constexpr int kWouldBlockCodes[] = {EAGAIN, EWOULDBLOCK};
constexpr int kUnreachableCodes[] = {ENETUNREACH, EHOSTUNREACH, EAFNOSUPPORT, EADDRNOTAVAIL};

// Never a SIGPIPE for a peer that has gone: the caller sees a failed send.
#if defined(MSG_NOSIGNAL)
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

inline NativeSocket OpenSocket(int family, int type) {
  return ::socket(family, type | SOCK_CLOEXEC, 0);
}

inline bool SetBlocking(NativeSocket s, bool blocking) {
  const int flags = fcntl(s, F_GETFL);
  if (flags < 0) return false;
  return fcntl(s, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

// A blocking send to a peer that reads nothing gives up after `timeout`.
inline void SetSendTimeout(NativeSocket s, std::chrono::milliseconds timeout) {
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000 * 1000);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// Until a non-blocking connect has ended: 0 when it has, else the timeout's
// code or the wait's own error.
inline int AwaitWritable(NativeSocket s, std::chrono::milliseconds timeout) {
  pollfd p{s, POLLOUT, 0};
  int ready;
  do {
    ready = poll(&p, 1, static_cast<int>(timeout.count()));
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return kTimedOutCode;
  if (ready < 0) return LastErrorCode();
  return 0;
}

// A restarted device takes its port back at once, despite connections of
// the last run still in TIME_WAIT.
inline void PrepareListener(NativeSocket s) {
  const int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

// An accepted connection is not handed on to programs this one starts.
inline void PrepareAccepted(NativeSocket s) {
  fcntl(s, F_SETFD, FD_CLOEXEC);
}

// Each interface's own IPv4 broadcast address, in host byte order.
std::vector<std::uint32_t> InterfaceBroadcasts();

}  // namespace pondel::net::os
