// The library's sockets where POSIX and Winsock differ: the POSIX side.
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>

#include "os_sockets.h"

namespace pondel::net {

bool Startup() {
  return true;
}

NativeSocket Socket::Invalid() {
  return -1;
}

void Socket::Close() {
  if (!valid()) return;
  ::close(handle_);
  handle_ = Invalid();
}

Wait WaitReadable(const Socket& socket, std::chrono::milliseconds timeout) {
  pollfd p{socket.native(), POLLIN, 0};
  const int ready = poll(&p, 1, static_cast<int>(timeout.count()));
  if (ready < 0 && errno == EINTR) return Wait::kTimedOut;  // the caller waits again
  if (ready == 0) return Wait::kTimedOut;
  return ready > 0 ? Wait::kReady : Wait::kFailed;
}

std::ptrdiff_t ReceiveWithin(const Socket& socket, std::span<std::uint8_t> into,
                             std::chrono::milliseconds timeout) {
  switch (WaitReadable(socket, timeout)) {
    case Wait::kReady:
      return Receive(socket, into);
    case Wait::kTimedOut:
      return kTimedOut;
    case Wait::kFailed:
      break;
  }
  return kFailed;
}

void ShutdownSending(const Socket& socket) {
  ::shutdown(socket.native(), SHUT_WR);
}

void ShutdownBoth(const Socket& socket) {
  ::shutdown(socket.native(), SHUT_RDWR);
}

std::string LastError() {
  return std::strerror(errno);
}

namespace os {

// A limited broadcast leaves by one interface at most (none without a
// default route), so each interface's own network gets one too. Its
// broadcast address comes from its address and mask: an address added
// without one (ip addr add, no brd) has none configured.
std::vector<std::uint32_t> InterfaceBroadcasts() {
  std::vector<std::uint32_t> broadcasts;
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) return broadcasts;
  for (const ifaddrs* i = interfaces; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_BROADCAST) == 0) continue;
    if (i->ifa_netmask == nullptr) continue;
    const std::uint32_t address =
        ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    const std::uint32_t mask =
        ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr);
    if (~mask <= 1) continue;  // a /31 or /32 has no broadcast address
    broadcasts.push_back(address | ~mask);
  }
  freeifaddrs(interfaces);
  return broadcasts;
}

}  // namespace os

}  // namespace pondel::net
