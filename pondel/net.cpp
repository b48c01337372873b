#include "pondel/net.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string_view>

// The operating system's sockets: posix/ or win32/, as the build chooses.
#include "os_sockets.h"

namespace pondel::net {

namespace {

bool IsOneOf(int code, std::span<const int> codes) {
  return std::ranges::find(codes, code) != codes.end();
}

bool WouldBlock(int code) {
  return IsOneOf(code, os::kWouldBlockCodes);
}

bool Interrupted(int code) {
  return code == os::kInterruptedCode;
}

Failure FailureOf(int code) {
  if (code == os::kRefusedCode) return Failure::kRefused;
  if (code == os::kTimedOutCode) return Failure::kTimedOut;
  if (IsOneOf(code, os::kUnreachableCodes)) return Failure::kUnreachable;
  return Failure::kOther;
}

const sockaddr* Address(const Endpoint& endpoint) {
  return static_cast<const sockaddr*>(endpoint.data());
}

void SetOption(NativeSocket s, int level, int name, int value) {
  setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value);
}

// Waits for a non-blocking connect to end: 0, or the socket error.
int AwaitConnect(NativeSocket s, std::chrono::milliseconds timeout) {
  if (const int waitError = os::AwaitWritable(s, timeout); waitError != 0) return waitError;
  int error = 0;
  os::SocketLength size = sizeof error;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0)
    return os::LastErrorCode();
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

bool Socket::valid() const {
  return handle_ != Invalid();
}

NativeSocket Socket::Release() {
  const NativeSocket handle = handle_;
  handle_ = Invalid();
  return handle;
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
  Socket socket(os::OpenSocket(Address(to)->sa_family, SOCK_STREAM));
  if (!socket.valid()) {
    failure = FailureOf(os::LastErrorCode());
    return {};
  }
  os::SetBlocking(socket.native(), false);
  int error = 0;
  if (::connect(socket.native(), Address(to), static_cast<os::SocketLength>(to.size())) != 0) {
    error = os::LastErrorCode();
    if (error == os::kInProgressCode) error = AwaitConnect(socket.native(), timeout);
  }
  if (error != 0) {
    failure = FailureOf(error);
    return {};
  }
  os::SetBlocking(socket.native(), true);
  // Every message goes out at once: they are small and each one is awaited.
  SetOption(socket.native(), IPPROTO_TCP, TCP_NODELAY, 1);
  os::SetSendTimeout(socket.native(), timeout);
  failure = Failure::kNone;
  return socket;
}

bool SendAll(const Socket& socket, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const auto sent = ::send(socket.native(), reinterpret_cast<const char*>(bytes.data()),
                             static_cast<int>(bytes.size()), os::kSendFlags);
    if (sent < 0 && Interrupted(os::LastErrorCode())) continue;
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
    const int error = os::LastErrorCode();
    if (Interrupted(error)) continue;
    return WouldBlock(error) ? kWouldBlock : kFailed;
  }
}

std::ptrdiff_t SendSome(const Socket& socket, std::span<const std::uint8_t> bytes) {
  const auto sent = ::send(socket.native(), reinterpret_cast<const char*>(bytes.data()),
                           static_cast<int>(bytes.size()), os::kSendFlags);
  if (sent >= 0) return sent;
  const int error = os::LastErrorCode();
  return WouldBlock(error) || Interrupted(error) ? 0 : kFailed;
}

bool SetNonBlocking(const Socket& socket) {
  return os::SetBlocking(socket.native(), false);
}

Socket OpenBroadcastSocket(Failure& failure) {
  Socket socket(os::OpenSocket(AF_INET, SOCK_DGRAM));
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
  for (const std::uint32_t broadcast : os::InterfaceBroadcasts())
    targets.push_back(Ipv4(broadcast, port));
  return targets;
}

bool SendTo(const Socket& socket, const Endpoint& to, std::span<const std::uint8_t> bytes) {
  return ::sendto(socket.native(), reinterpret_cast<const char*>(bytes.data()),
                  static_cast<int>(bytes.size()), os::kSendFlags, Address(to),
                  static_cast<os::SocketLength>(to.size())) == static_cast<int>(bytes.size());
}

std::ptrdiff_t ReceiveFrom(const Socket& socket, std::span<std::uint8_t> into, Endpoint& from) {
  os::SocketLength size = Endpoint::capacity();
  const auto received =
      ::recvfrom(socket.native(), reinterpret_cast<char*>(into.data()),
                 static_cast<int>(into.size()), 0, static_cast<sockaddr*>(from.data()), &size);
  if (received < 0) return WouldBlock(os::LastErrorCode()) ? kWouldBlock : kFailed;
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
    Socket socket(os::OpenSocket(Address(at)->sa_family, SOCK_STREAM));
    if (!socket.valid()) {
      failure = FailureOf(os::LastErrorCode());
      continue;
    }
    os::PrepareListener(socket.native());
    if (Address(at)->sa_family == AF_INET6)
      SetOption(socket.native(), IPPROTO_IPV6, IPV6_V6ONLY, 0);
    if (::bind(socket.native(), Address(at), static_cast<os::SocketLength>(at.size())) != 0 ||
        ::listen(socket.native(), 4) != 0) {
      failure = FailureOf(os::LastErrorCode());
      continue;
    }
    os::SocketLength size = Endpoint::capacity();
    getsockname(socket.native(), static_cast<sockaddr*>(bound.data()), &size);
    bound.set_size(static_cast<std::uint32_t>(size));
    failure = Failure::kNone;
    return socket;
  }
  if (failure == Failure::kNone) failure = Failure::kOther;
  return {};
}

Socket Accept(const Socket& listener, Endpoint& peer) {
  os::SocketLength size = Endpoint::capacity();
  Socket socket(static_cast<NativeSocket>(
      ::accept(listener.native(), static_cast<sockaddr*>(peer.data()), &size)));
  if (!socket.valid()) return {};
  peer.set_size(static_cast<std::uint32_t>(size));
  os::PrepareAccepted(socket.native());
  SetOption(socket.native(), IPPROTO_TCP, TCP_NODELAY, 1);
  return socket;
}

Socket BindDiscovery(std::uint16_t port, Failure& failure) {
  Socket socket(os::OpenSocket(AF_INET, SOCK_DGRAM));
  if (!socket.valid()) {
    failure = Failure::kOther;
    return {};
  }
  SetOption(socket.native(), SOL_SOCKET, SO_REUSEADDR, 1);
  const Endpoint any = Ipv4(INADDR_ANY, port);
  if (::bind(socket.native(), Address(any), static_cast<os::SocketLength>(any.size())) != 0) {
    failure = FailureOf(os::LastErrorCode());
    return {};
  }
  failure = Failure::kNone;
  return socket;
}

}  // namespace pondel::net
