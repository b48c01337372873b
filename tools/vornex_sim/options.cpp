#include "tools/vornex_sim/options.h"

#include <string_view>

namespace vornex {

namespace {

constexpr char kUsage[] = R"(Usage: vornex-sim [OPTION]...
A stand-in for a VORNEX network server device, for Tarnwick and the Pondel
library. It answers automatic detection, serves one client at a time over
TCP, and delivers the frames of a SIMULATED ARCNET network of BACnet devices
(or of a pcap file): no frame it sends was ever on a real wire.

  --listen ADDRESS     accept clients on this address only (default: every
                       IPv6 and IPv4 address); automatic detection is then
                       not answered
  --port N             TCP port, 0 for any free one (default 5001)
  --discovery-port N   UDP port on which automatic detection is answered,
                       0 for none (default 5001)
  --node N             node ID the device joins the network as, 1-255
                       (default 254); one taken by a simulated device moves
                       to the next free one
  --rate N             frames per second on the network, 0-10000000 (default 40)
  --shortest           only the shortest frames (7 data bytes)
  --seed N             a fixed seed for a repeatable network (default: a new
                       one for each client)
  --flood              ignore the rate: refill the device's queue whenever the
                       client has taken it all (for benchmarks)
  --queue N            the device's receive queue in frames, 1-65536 (default
                       4096); frames it has to drop are counted by the client
  --replay FILE        play the frames of FILE (pcap, link type 129) instead,
                       with their original spacing, from the first frame each
                       time a client starts a capture
  --name TEXT          the name the device gives in its answers
  --vanish-after N     once a capture has been sent N frames, go away as a
                       device switched off mid-capture does: close the link
                       without a goodbye (and be back for the next client)
  --help               show this text and end

In Tarnwick pick VORNEX, then Settings: Auto-Detect, or this machine's
address and the TCP port. The device prints one line for each client.
)";

std::string Invalid(std::string_view option, std::string_view value, std::string_view range) {
  return "vornex-sim: " + std::string(option) + ": '" + std::string(value) + "' is not " +
         std::string(range) + " (see --help)";
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv) {
  ParsedCommandLine parsed;
  DeviceOptions options;
  bool networkOption = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help" || option == "-h") {
      parsed.help = true;
      parsed.message = kUsage;
      return parsed;
    }
    if (option == "--shortest" || option == "--flood") {
      (option == "--flood" ? options.network.flood : options.network.shortestOnly) = true;
      networkOption = true;
      continue;
    }
    const bool takesValue =
        option == "--listen" || option == "--port" || option == "--discovery-port" ||
        option == "--node" || option == "--rate" || option == "--seed" || option == "--queue" ||
        option == "--replay" || option == "--name" || option == "--vanish-after";
    if (!takesValue) {
      parsed.message = "vornex-sim: unknown option '" + std::string(option) + "' (see --help)";
      return parsed;
    }
    if (i + 1 >= argc) {
      parsed.message = "vornex-sim: " + std::string(option) + " needs a value (see --help)";
      return parsed;
    }
    const std::string_view value = argv[++i];
    // A number within its range, or the message that says which is wanted.
    const auto number = [&](std::uint64_t low, std::uint64_t high,
                            std::string_view range) -> std::optional<std::uint64_t> {
      auto n = pondel::ParseNumber(value, low, high);
      if (!n) parsed.message = Invalid(option, value, range);
      return n;
    };
    if (option == "--listen") {
      options.listen = value;
    } else if (option == "--replay") {
      options.replay = value;
    } else if (option == "--name") {
      options.name = value;
    } else if (option == "--port" || option == "--discovery-port") {
      const auto n = number(0, 65535, "a port number from 0 to 65535");
      if (!n) return parsed;
      (option == "--port" ? options.port : options.discoveryPort) = static_cast<std::uint16_t>(*n);
    } else if (option == "--node") {
      const auto n = number(1, 255, "a node ID from 1 to 255");
      if (!n) return parsed;
      options.nodeId = static_cast<std::uint8_t>(*n);
    } else if (option == "--rate") {
      const auto n = number(0, pondel::kMaxRate, "a rate from 0 to 10000000 frames/s");
      if (!n) return parsed;
      options.network.rate = static_cast<std::uint32_t>(*n);
      networkOption = true;
    } else if (option == "--seed") {
      const auto n = number(0, UINT64_MAX, "a number from 0 to 18446744073709551615");
      if (!n) return parsed;
      options.network.seed = *n;
      options.seedFixed = networkOption = true;
    } else if (option == "--queue") {
      const auto n = number(1, pondel::kMaxQueueCapacity, "a queue size from 1 to 65536 frames");
      if (!n) return parsed;
      options.network.queueCapacity = static_cast<std::size_t>(*n);
    } else if (option == "--vanish-after") {
      const auto n = number(1, UINT64_MAX, "a number of frames from 1 on");
      if (!n) return parsed;
      options.vanishAfter = *n;
    }
  }
  if (!options.replay.empty() && networkOption) {
    parsed.message =
        "vornex-sim: --replay plays its file; --rate, --shortest, --seed and --flood do not apply";
    return parsed;
  }
  parsed.options = options;
  return parsed;
}

}  // namespace vornex
