// The simulator's settings, taken from PONDEL_SIM_ environment variables at
// every Com20020Init (pondel/pondel.h lists them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pondel {

inline constexpr std::uint32_t kDefaultRate = 40;  // frames/s: a quiet building network
inline constexpr std::uint32_t kMaxRate = 10'000'000;
// About 80 ms of a 10 Mbps ARCNET at its busiest (51,000 frames/s): time
// enough for a consumer that keeps up on average to be late now and then.
inline constexpr std::size_t kDefaultQueueCapacity = 4096;
inline constexpr std::size_t kMaxQueueCapacity = 65536;
inline constexpr std::uint16_t kDefaultDiscoveryPort = 5001;

struct SimConfig {
  std::uint32_t rate = kDefaultRate;
  bool shortestOnly = false;
  std::uint64_t seed = 0;
  bool flood = false;
  std::size_t queueCapacity = kDefaultQueueCapacity;
  std::uint16_t discoveryPort = kDefaultDiscoveryPort;  // where a server is looked for
  std::uint8_t refusedNode = 0;  // a local adapter's node ID that Init refuses; 0: none
};

// A whole decimal number within [low, high], or nullopt.
std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t low,
                                         std::uint64_t high);
// A seed no two runs share.
std::uint64_t FreshSeed();

// The settings now in the environment; nullopt when one does not parse or
// lies outside its range. Without PONDEL_SIM_SEED the seed is a fresh one.
std::optional<SimConfig> ReadSimConfig();

}  // namespace pondel
