#include "pondel/net.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstring>
#include <string_view>

namespace pondel::net {

namespace {

#if defined(_WIN32)
using SocketLength = int;
int LastErrorCode() {
  return WSAGetLastError();
}
constexpr int kInProgress = WSAEWOULDBLOCK;
bool WouldBlock(int code) {
  return code == WSAEWOULDBLOCK;
}
bool Interrupted(int code) {
  return code == WSAEINTR;
}
constexpr int kRefusedCode = WSAECONNREFUSED;
constexpr int kTimedOutCode = WSAETIMEDOUT;
bool IsUnreachable(int code) {
  return code == WSAENETUNREACH || code == WSAEHOSTUNREACH || code == WSAEAFNOSUPPORT ||
         code == WSAEADDRNOTAVAIL;
}
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
#else
using SocketLength = socklen_t;
int LastErrorCode() {
  return errno;
}
constexpr int kInProgress = EINPROGRESS;
bool WouldBlock(int code) {
  return code == EAGAIN || code == EWOULDBLOCK;
}
bool Interrupted(int code) {
  return code == EINTR;
}
constexpr int kRefusedCode = ECONNREFUSED;
constexpr int kTimedOutCode = ETIMEDOUT;
bool IsUnreachable(int code) {
  return code == ENETUNREACH || code == EHOSTUNREACH || code == EAFNOSUPPORT ||
         code == EADDRNOTAVAIL;
}
#endif

// Never a SIGPIPE for a peer that has gone: the caller sees a failed send.
#if defined(MSG_NOSIGNAL)
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

Failure FailureOf(int code) {
  if (code == kRefusedCode) return Failure::kRefused;
  if (code == kTimedOutCode) return Failure::kTimedOut;
  if (IsUnreachable(code)) return Failure::kUnreachable;
  return Failure::kOther;
}

const sockaddr* Address(const Endpoint& endpoint) {
  return static_cast<const sockaddr*>(endpoint.data());
}

NativeSocket OpenSocket(int family, int type) {
#if defined(_WIN32)
  return static_cast<NativeSocket>(::socket(family, type, 0));
#else
  return ::socket(family, type | SOCK_CLOEXEC, 0);
#endif
}

bool SetBlocking(NativeSocket s, bool blocking) {
#if defined(_WIN32)
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
#else
  const int flags = fcntl(s, F_GETFL);
  if (flags < 0) return false;
  return fcntl(s, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
#endif
}

void SetOption(NativeSocket s, int level, int name, int value) {
  setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value);
}

// A blocking send to a peer that reads nothing gives up after `timeout`.
void SetSendTimeout(NativeSocket s, std::chrono::milliseconds timeout) {
#if defined(_WIN32)
  const DWORD ms = static_cast<DWORD>(timeout.count());
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
#else
  timeval tv{};
  tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
  tv.tv_usec = static_cast<suseconds_t>(timeout.count() % 1000 * 1000);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
#endif
}

// Waits for a non-blocking connect to end: 0, or the socket error. select
// on Windows, whose WSAPoll does not report a refused connect.
int AwaitConnect(NativeSocket s, std::chrono::milliseconds timeout) {
#if defined(_WIN32)
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
#else
  pollfd p{s, POLLOUT, 0};
  int ready;
  do {
    ready = poll(&p, 1, static_cast<int>(timeout.count()));
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return kTimedOutCode;
  if (ready < 0) return LastErrorCode();
#endif
  int error = 0;
  SocketLength size = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0)
    return LastErrorCode();
  return error;
}

Endpoint Ipv4(std::uint32_t hostOrderAddress, std::uint16_t port) {
  Endpoint endpoint;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(hostOrderAddress);
  address.sin_port = htons(port);
  std::memcpy(endpoint.data(), &address, sizeof address);
  endpoint.set_size(sizeof address);
  return endpoint;
}

}  // namespace

bool Startup() {
#if defined(_WIN32)
  // Counted by Winsock; never undone, as the library stays loaded.
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
#else
  return true;
#endif
}

std::uint16_t Endpoint::port() const {
  const auto* address = Address(*this);
  if (address->sa_family == AF_INET6)
    return ntohs(reinterpret_cast<const sockaddr_in6*>(address)->sin6_port);
  return ntohs(reinterpret_cast<const sockaddr_in*>(address)->sin_port);
}

void Endpoint::set_port(std::uint16_t port) {
  auto* address = static_cast<sockaddr*>(data());
  if (address->sa_family == AF_INET6)
    reinterpret_cast<sockaddr_in6*>(address)->sin6_port = htons(port);
  else
    reinterpret_cast<sockaddr_in*>(address)->sin_port = htons(port);
}

std::string Endpoint::ToString() const {
  char text[INET6_ADDRSTRLEN] = "?";
  const auto* address = Address(*this);
  if (address->sa_family == AF_INET6)
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
              sizeof text);
  else if (address->sa_family == AF_INET)
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
  return std::string(text) + " port " + std::to_string(port());
}

Socket& Socket::operator=(Socket&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.Release();
  }
  return *this;
}

NativeSocket Socket::Invalid() {
#if defined(_WIN32)
  return INVALID_SOCKET;
#else
  return -1;
#endif
}

bool Socket::valid() const {
  return handle_ != Invalid();
}

NativeSocket Socket::Release() {
  const NativeSocket handle = handle_;
  handle_ = Invalid();
  return handle;
}

void Socket::Close() {
  if (!valid()) return;
#if defined(_WIN32)
  closesocket(handle_);
#else
  ::close(handle_);
#endif
  handle_ = Invalid();
}

std::vector<Endpoint> Resolve(const char* host, std::uint16_t port, Failure& failure) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV | (host == nullptr ? AI_PASSIVE : 0);
  addrinfo* found = nullptr;
  const int error = getaddrinfo(host, std::to_string(port).c_str(), &hints, &found);
  std::vector<Endpoint> endpoints;
  if (error != 0) {
    failure = error == EAI_MEMORY ? Failure::kOther : Failure::kUnresolved;
    return endpoints;
  }
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_addrlen > Endpoint::capacity()) continue;
    Endpoint& endpoint = endpoints.emplace_back();
    std::memcpy(endpoint.data(), a->ai_addr, a->ai_addrlen);
    endpoint.set_size(static_cast<std::uint32_t>(a->ai_addrlen));
  }
  freeaddrinfo(found);
  failure = endpoints.empty() ? Failure::kUnresolved : Failure::kNone;
  return endpoints;
}

Socket Connect(const Endpoint& to, std::chrono::milliseconds timeout, Failure& failure) {
  Socket socket(OpenSocket(Address(to)->sa_family, SOCK_STREAM));
  if (!socket.valid()) {
    failure = FailureOf(LastErrorCode());
    return {};
  }
  SetBlocking(socket.native(), false);
  int error = 0;
  if (::connect(socket.native(), Address(to), static_cast<SocketLength>(to.size())) != 0) {
    error = LastErrorCode();
    if (error == kInProgress) error = AwaitConnect(socket.native(), timeout);
  }
  if (error != 0) {
    failure = FailureOf(error);
    return {};
  }
  SetBlocking(socket.native(), true);
  // Every message goes out at once: they are small and each one is awaited.
  SetOption(socket.native(), IPPROTO_TCP, TCP_NODELAY, 1);
  SetSendTimeout(socket.native(), timeout);
  failure = Failure::kNone;
  return socket;
}

Wait WaitReadable(const Socket& socket, std::chrono::milliseconds timeout) {
#if defined(_WIN32)
  WSAPOLLFD p{socket.native(), POLLRDNORM, 0};
  const int ready = WSAPoll(&p, 1, static_cast<INT>(timeout.count()));
#else
  pollfd p{socket.native(), POLLIN, 0};
  const int ready = poll(&p, 1, static_cast<int>(timeout.count()));
  if (ready < 0 && errno == EINTR) return Wait::kTimedOut;  // the caller waits again
#endif
  if (ready == 0) return Wait::kTimedOut;
  return ready > 0 ? Wait::kReady : Wait::kFailed;
}

bool SendAll(const Socket& socket, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const auto sent = ::send(socket.native(), reinterpret_cast<const char*>(bytes.data()),
                             static_cast<int>(bytes.size()), kSendFlags);
    if (sent < 0 && Interrupted(LastErrorCode())) continue;
    if (sent <= 0) return false;
    bytes = bytes.subspan(static_cast<std::size_t>(sent));
  }
  return true;
}

std::ptrdiff_t Receive(const Socket& socket, std::span<std::uint8_t> into) {
  while (true) {
    const auto received = ::recv(socket.native(), reinterpret_cast<char*>(into.data()),
                                 static_cast<int>(into.size()), 0);
    if (received >= 0) return received;
    const int error = LastErrorCode();
    if (Interrupted(error)) continue;
    return WouldBlock(error) ? kWouldBlock : kFailed;
  }
}

std::ptrdiff_t ReceiveWithin(const Socket& socket, std::span<std::uint8_t> into,
                             std::chrono::milliseconds timeout) {
#if defined(_WIN32)
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
#else
  switch (WaitReadable(socket, timeout)) {
    case Wait::kReady:
      return Receive(socket, into);
    case Wait::kTimedOut:
      return kTimedOut;
    case Wait::kFailed:
      break;
  }
  return kFailed;
#endif
}

std::ptrdiff_t SendSome(const Socket& socket, std::span<const std::uint8_t> bytes) {
  const auto sent = ::send(socket.native(), reinterpret_cast<const char*>(bytes.data()),
                           static_cast<int>(bytes.size()), kSendFlags);
  if (sent >= 0) return sent;
  const int error = LastErrorCode();
  return WouldBlock(error) || Interrupted(error) ? 0 : kFailed;
}

void ShutdownSending(const Socket& socket) {
#if defined(_WIN32)
  ::shutdown(socket.native(), SD_SEND);
#else
  ::shutdown(socket.native(), SHUT_WR);
#endif
}

void ShutdownBoth(const Socket& socket) {
#if defined(_WIN32)
  ::shutdown(socket.native(), SD_BOTH);
  // The shutdown alone does not end a receive under way in another thread
  // (Wine lets it wait on): it is cancelled.
  CancelIoEx(reinterpret_cast<HANDLE>(socket.native()), nullptr);
#else
  ::shutdown(socket.native(), SHUT_RDWR);
#endif
}

bool SetNonBlocking(const Socket& socket) {
  return SetBlocking(socket.native(), false);
}

Socket OpenBroadcastSocket(Failure& failure) {
  Socket socket(OpenSocket(AF_INET, SOCK_DGRAM));
  if (!socket.valid()) {
    failure = Failure::kOther;
    return {};
  }
  SetOption(socket.native(), SOL_SOCKET, SO_BROADCAST, 1);
  failure = Failure::kNone;
  return socket;
}

std::vector<Endpoint> DiscoveryTargets(std::uint16_t port) {
  std::vector<Endpoint> targets{Ipv4(INADDR_BROADCAST, port), Ipv4(INADDR_LOOPBACK, port)};
#if !defined(_WIN32)
  // A limited broadcast leaves by one interface at most (none without a
  // default route), so each interface's own network gets one too. Its
  // broadcast address comes from its address and mask: an address added
  // without one (ip addr add, no brd) has none configured.
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) return targets;
  for (const ifaddrs* i = interfaces; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_BROADCAST) == 0) continue;
    if (i->ifa_netmask == nullptr) continue;
    const std::uint32_t address =
        ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    const std::uint32_t mask =
        ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr);
    if (~mask <= 1) continue;  // a /31 or /32 has no broadcast address
    targets.push_back(Ipv4(address | ~mask, port));
  }
  freeifaddrs(interfaces);
#endif
  return targets;
}

bool SendTo(const Socket& socket, const Endpoint& to, std::span<const std::uint8_t> bytes) {
  return ::sendto(socket.native(), reinterpret_cast<const char*>(bytes.data()),
                  static_cast<int>(bytes.size()), kSendFlags, Address(to),
                  static_cast<SocketLength>(to.size())) == static_cast<int>(bytes.size());
}

std::ptrdiff_t ReceiveFrom(const Socket& socket, std::span<std::uint8_t> into, Endpoint& from) {
  SocketLength size = Endpoint::capacity();
  const auto received =
      ::recvfrom(socket.native(), reinterpret_cast<char*>(into.data()),
                 static_cast<int>(into.size()), 0, static_cast<sockaddr*>(from.data()), &size);
  if (received < 0) return WouldBlock(LastErrorCode()) ? kWouldBlock : kFailed;
  from.set_size(static_cast<std::uint32_t>(size));
  return received;
}

Socket Listen(const char* address, std::uint16_t port, Endpoint& bound, Failure& failure) {
  const bool everywhere = address == nullptr || std::string_view(address) == "::";
  std::vector<Endpoint> candidates = Resolve(everywhere ? "::" : address, port, failure);
  if (everywhere) {
    // Where the host has no IPv6, every IPv4 address instead.
    candidates.push_back(Ipv4(INADDR_ANY, port));
  }
  for (const Endpoint& at : candidates) {
    Socket socket(OpenSocket(Address(at)->sa_family, SOCK_STREAM));
    if (!socket.valid()) {
      failure = FailureOf(LastErrorCode());
      continue;
    }
#if !defined(_WIN32)
    // A restarted device takes its port back at once, despite connections
    // of the last run still in TIME_WAIT.
    SetOption(socket.native(), SOL_SOCKET, SO_REUSEADDR, 1);
#endif
    if (Address(at)->sa_family == AF_INET6)
      SetOption(socket.native(), IPPROTO_IPV6, IPV6_V6ONLY, 0);
    if (::bind(socket.native(), Address(at), static_cast<SocketLength>(at.size())) != 0 ||
        ::listen(socket.native(), 4) != 0) {
      failure = FailureOf(LastErrorCode());
      continue;
    }
    SocketLength size = Endpoint::capacity();
    getsockname(socket.native(), static_cast<sockaddr*>(bound.data()), &size);
    bound.set_size(static_cast<std::uint32_t>(size));
    failure = Failure::kNone;
    return socket;
  }
  if (failure == Failure::kNone) failure = Failure::kOther;
  return {};
}

Socket Accept(const Socket& listener, Endpoint& peer) {
  SocketLength size = Endpoint::capacity();
  Socket socket(static_cast<NativeSocket>(
      ::accept(listener.native(), static_cast<sockaddr*>(peer.data()), &size)));
  if (!socket.valid()) return {};
  peer.set_size(static_cast<std::uint32_t>(size));
#if !defined(_WIN32)
  fcntl(socket.native(), F_SETFD, FD_CLOEXEC);
#endif
  SetOption(socket.native(), IPPROTO_TCP, TCP_NODELAY, 1);
  return socket;
}

Socket BindDiscovery(std::uint16_t port, Failure& failure) {
  Socket socket(OpenSocket(AF_INET, SOCK_DGRAM));
  if (!socket.valid()) {
    failure = Failure::kOther;
    return {};
  }
  SetOption(socket.native(), SOL_SOCKET, SO_REUSEADDR, 1);
  const Endpoint any = Ipv4(INADDR_ANY, port);
  if (::bind(socket.native(), Address(any), static_cast<SocketLength>(any.size())) != 0) {
    failure = FailureOf(LastErrorCode());
    return {};
  }
  failure = Failure::kNone;
  return socket;
}

std::string LastError() {
#if defined(_WIN32)
  return "Winsock error " + std::to_string(WSAGetLastError());
#else
  return std::strerror(errno);
#endif
}

}  // namespace pondel::net
