// The sockets the link to a network server device needs, over POSIX sockets
// and Winsock alike: name resolution, a TCP connect with a time bound, the
// UDP discovery datagrams, and the device's listening side. What differs by
// operating system is in posix/ and win32/, a socket's own type too.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// NativeSocket: posix/ or win32/, as the build chooses.
#include "socket_handle.h"

namespace pondel::net {

// Why a socket operation failed, in the terms the library reports.
enum class Failure {
  kNone,
  kUnresolved,   // not a numeric address, and no name that resolves
  kRefused,      // nothing accepts connections there
  kTimedOut,     // no answer within the bound
  kUnreachable,  // no route to the network or the host
  kOther,        // the sockets layer itself failed
};

// Starts the sockets layer for this process (Windows needs it, once); false
// when it cannot be started.
bool Startup();

// An IPv4 or IPv6 address with its port.
class Endpoint {
 public:
  std::uint16_t port() const;
  void set_port(std::uint16_t port);
  // "192.0.2.7 port 5001", "::1 port 5001": for messages.
  std::string ToString() const;

  // The address as the sockets layer takes it.
  const void* data() const { return storage_.data(); }
  void* data() { return storage_.data(); }
  std::uint32_t size() const { return size_; }
  void set_size(std::uint32_t size) { size_ = size; }
  static constexpr std::uint32_t capacity() { return kCapacity; }

 private:
  static constexpr std::uint32_t kCapacity = 128;  // a sockaddr_storage
  alignas(8) std::array<std::byte, kCapacity> storage_{};
  std::uint32_t size_ = 0;
};

// Owns one socket and closes it when it goes.
class Socket {
 public:
  Socket() = default;
  explicit Socket(NativeSocket handle) : handle_(handle) {}
  ~Socket() { Close(); }
  Socket(Socket&& other) noexcept : handle_(other.Release()) {}
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  bool valid() const;
  NativeSocket native() const { return handle_; }
  NativeSocket Release();
  void Close();

 private:
  NativeSocket handle_ = Invalid();
  static NativeSocket Invalid();
};

// Every address a host name or numeric address stands for, IPv6 and IPv4,
// in the resolver's order of preference; empty with `failure` set when none.
std::vector<Endpoint> Resolve(const char* host, std::uint16_t port, Failure& failure);

// A connected TCP socket (blocking, no Nagle delay, sends bounded by
// `timeout` too), or an invalid one with `failure` set.
Socket Connect(const Endpoint& to, std::chrono::milliseconds timeout, Failure& failure);

enum class Wait { kReady, kTimedOut, kFailed };
// Until the socket has bytes to read, or has been closed or failed.
Wait WaitReadable(const Socket& socket, std::chrono::milliseconds timeout);

// All of `bytes`, or false: the link failed, or the peer took nothing for
// the send bound. Never raises SIGPIPE.
bool SendAll(const Socket& socket, std::span<const std::uint8_t> bytes);

inline constexpr std::ptrdiff_t kClosed = 0;
inline constexpr std::ptrdiff_t kFailed = -1;
inline constexpr std::ptrdiff_t kWouldBlock = -2;
inline constexpr std::ptrdiff_t kTimedOut = -3;
// Bytes received, or kClosed, kFailed, or kWouldBlock for a non-blocking socket.
std::ptrdiff_t Receive(const Socket& socket, std::span<std::uint8_t> into);
// Bytes received from a blocking socket as soon as they arrive, or kClosed,
// kFailed, or kTimedOut when none came within `timeout`.
std::ptrdiff_t ReceiveWithin(const Socket& socket, std::span<std::uint8_t> into,
                             std::chrono::milliseconds timeout);
// Bytes sent from a non-blocking socket (0 when it has no room), or kFailed.
std::ptrdiff_t SendSome(const Socket& socket, std::span<const std::uint8_t> bytes);

void ShutdownSending(const Socket& socket);
// Wakes a thread blocked on the socket, in ReceiveWithin too: it sees the
// link closed or failed.
void ShutdownBoth(const Socket& socket);
bool SetNonBlocking(const Socket& socket);

// UDP over IPv4 on an ephemeral port, allowed to send broadcasts.
Socket OpenBroadcastSocket(Failure& failure);
// Where a discovery goes: the limited broadcast, each interface's own
// broadcast address, and this machine's loopback, all at `port`.
std::vector<Endpoint> DiscoveryTargets(std::uint16_t port);
bool SendTo(const Socket& socket, const Endpoint& to, std::span<const std::uint8_t> bytes);
// A datagram's size and its sender, or kFailed / kWouldBlock.
std::ptrdiff_t ReceiveFrom(const Socket& socket, std::span<std::uint8_t> into, Endpoint& from);

// The device's side. `address` null or "::" listens on every address (IPv6
// and IPv4 where the host has both); `bound` says where, port included.
Socket Listen(const char* address, std::uint16_t port, Endpoint& bound, Failure& failure);
// The next waiting connection, with no Nagle delay; invalid if none.
Socket Accept(const Socket& listener, Endpoint& peer);
// UDP on every IPv4 address at `port`, shared with other devices on this
// machine so that each of them hears a broadcast.
Socket BindDiscovery(std::uint16_t port, Failure& failure);

// The system's text for the last socket error of this thread.
std::string LastError();

}  // namespace pondel::net
