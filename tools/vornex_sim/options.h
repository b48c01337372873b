// The device simulator's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "pondel/sim_config.h"

namespace vornex {

struct DeviceOptions {
  std::string listen;  // empty: every IPv6 and IPv4 address
  std::uint16_t port = 5001;
  std::uint16_t discoveryPort = 5001;  // 0: automatic detection is not answered
  std::uint8_t nodeId = 254;
  pondel::SimConfig network;  // its seed is used only when seedFixed
  bool seedFixed = false;
  std::string replay;  // a pcap file to play instead of the simulated network
  std::string name = "vornex-sim";
  std::uint64_t vanishAfter = 0;  // 0: never
};

struct ParsedCommandLine {
  std::optional<DeviceOptions> options;  // nullopt: print `message` and end
  std::string message;                   // the help text, or what is wrong
  bool help = false;
};

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace vornex
