// How soon a thread waiting on a socket sees the bytes that arrive, by the
// way it waits: WSAPoll then recv, select then recv, or the library's
// net::ReceiveWithin, which its link to a network server device reads with.
// Each way times the round trips of PINGs to a device simulator on another
// machine, or outside Wine, answered with PONGs: each answer arrives while
// the program waits for it, as a device's frames do.
//
// Under Wine 8.0 (Debian 12, two busy cores, the device on Linux over
// loopback) WSAPoll and select see one answer in ten late by 2 ms or more:
// round trips of 0.35 ms at the median and 2.2-2.9 ms at the 90th
// percentile, against 0.29 ms and 0.35 ms for a receive already under way.
//
// Usage: socket_wait_bench ADDRESS:PORT [round trips per way] (default 2000)
// of a device started as `vornex-sim --discovery-port 0`.
#include <winsock2.h>  // and windows.h

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pondel/net.h"
#include "pondel/protocol.h"

namespace {

namespace net = pondel::net;
namespace wire = pondel::wire;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr auto kWaitBound = milliseconds(1000);

// One way of waiting: the bytes received into `into` once they are there,
// or <= 0 when the link failed.
using WaitThenReceive = std::ptrdiff_t (*)(const net::Socket&, std::span<std::uint8_t>);

std::ptrdiff_t PollThenRecv(const net::Socket& s, std::span<std::uint8_t> into) {
  WSAPOLLFD p{s.native(), POLLRDNORM, 0};
  while (WSAPoll(&p, 1, static_cast<INT>(kWaitBound.count())) == 0) {
  }
  return net::Receive(s, into);
}

std::ptrdiff_t SelectThenRecv(const net::Socket& s, std::span<std::uint8_t> into) {
  while (true) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s.native(), &readable);
    timeval bound{static_cast<long>(kWaitBound.count() / 1000), 0};
    if (select(0, &readable, nullptr, nullptr, &bound) != 0) break;
  }
  return net::Receive(s, into);
}

std::ptrdiff_t ReceiveWithin(const net::Socket& s, std::span<std::uint8_t> into) {
  std::ptrdiff_t received;
  while ((received = net::ReceiveWithin(s, into, kWaitBound)) == net::kTimedOut) {
  }
  return received;
}

// The next message from the device, waiting the given way; false when the
// link failed.
bool Await(const net::Socket& s, wire::MessageReader& reader, WaitThenReceive receive,
           wire::Type type) {
  wire::Message message;
  while (true) {
    const auto next = reader.Next(message);
    if (next == wire::MessageReader::Result::kMessage)
      return message.type == static_cast<std::uint8_t>(type);
    if (next == wire::MessageReader::Result::kMalformed) return false;
    const std::ptrdiff_t received = receive(s, reader.Space());
    if (received <= 0) return false;
    reader.Commit(static_cast<std::size_t>(received));
  }
}

// Round trips in ms of `count` PINGs, one a millisecond, each answer waited
// for the given way.
std::vector<double> RoundTrips(const net::Endpoint& device, WaitThenReceive receive,
                               std::size_t count) {
  net::Failure failure;
  const net::Socket link = net::Connect(device, milliseconds(3000), failure);
  wire::MessageReader reader;
  std::vector<std::uint8_t> hello, ping;
  wire::AppendHello(hello);
  wire::AppendPing(ping);
  if (!link.valid() || !net::SendAll(link, hello) ||
      !Await(link, reader, ReceiveWithin, wire::Type::kWelcome)) {
    std::fprintf(stderr, "no device at %s\n", device.ToString().c_str());
    std::exit(1);
  }
  std::vector<double> ms;
  while (ms.size() < count) {
    const auto sent = Clock::now();
    if (!net::SendAll(link, ping) || !Await(link, reader, receive, wire::Type::kPong)) break;
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    Sleep(1);
  }
  return ms;
}

void Report(const char* way, std::vector<double> ms) {
  if (ms.empty()) {
    std::printf("%-26s no answer\n", way);
    return;
  }
  std::sort(ms.begin(), ms.end());
  const auto at = [&](double p) {
    return ms[static_cast<std::size_t>(p * static_cast<double>(ms.size() - 1))];
  };
  std::printf("%-26s median %.3f  p90 %.3f  p99 %.3f  max %.2f ms\n", way, at(0.5), at(0.9),
              at(0.99), ms.back());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string where = argc > 1 ? argv[1] : "";
  const std::size_t colon = where.rfind(':');
  const std::size_t count = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 2000;
  if (colon == std::string::npos || count == 0) {
    std::fprintf(stderr, "usage: socket_wait_bench ADDRESS:PORT [round trips per way]\n");
    return 2;
  }
  net::Failure failure;
  const auto found =
      net::Startup()
          ? net::Resolve(where.substr(0, colon).c_str(),
                         static_cast<std::uint16_t>(std::atoi(where.c_str() + colon + 1)), failure)
          : std::vector<net::Endpoint>();
  if (found.empty()) {
    std::fprintf(stderr, "%s: not an address\n", where.c_str());
    return 1;
  }
  std::printf("Round trips of a PING to the device at %s, %zu a way, one a ms:\n", where.c_str(),
              count);
  Report("WSAPoll, then recv", RoundTrips(found[0], PollThenRecv, count));
  Report("select, then recv", RoundTrips(found[0], SelectThenRecv, count));
  Report("net::ReceiveWithin", RoundTrips(found[0], ReceiveWithin, count));
  return 0;
}
