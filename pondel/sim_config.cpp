#include "pondel/sim_config.h"

#include <charconv>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string_view>

namespace pondel {

std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t low,
                                         std::uint64_t high) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::uint64_t FreshSeed() {
  std::random_device device;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  return (static_cast<std::uint64_t>(device()) << 32 ^ device()) ^ static_cast<std::uint64_t>(now);
}

namespace {

// An unset or empty variable gives the fallback; anything else must be a
// whole decimal number within [low, high], else nullopt.
std::optional<std::uint64_t> ReadNumber(const char* name, std::uint64_t low, std::uint64_t high,
                                        std::uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return ParseNumber(text, low, high);
}

}  // namespace

std::optional<SimConfig> ReadSimConfig() {
  const auto rate = ReadNumber("PONDEL_SIM_RATE", 0, kMaxRate, kDefaultRate);
  const auto shortest = ReadNumber("PONDEL_SIM_SHORTEST", 0, 1, 0);
  const auto seed = ReadNumber("PONDEL_SIM_SEED", 0, UINT64_MAX, FreshSeed());
  const auto flood = ReadNumber("PONDEL_SIM_FLOOD", 0, 1, 0);
  const auto queue = ReadNumber("PONDEL_SIM_QUEUE", 1, kMaxQueueCapacity, kDefaultQueueCapacity);
  const auto discoveryPort =
      ReadNumber("PONDEL_SIM_DISCOVERY_PORT", 1, 65535, kDefaultDiscoveryPort);
  const auto refusedNode = ReadNumber("PONDEL_SIM_REFUSED_NODE", 1, 255, 0);
  if (!rate || !shortest || !seed || !flood || !queue || !discoveryPort || !refusedNode)
    return std::nullopt;
  return SimConfig{
      .rate = static_cast<std::uint32_t>(*rate),
      .shortestOnly = *shortest != 0,
      .seed = *seed,
      .flood = *flood != 0,
      .queueCapacity = static_cast<std::size_t>(*queue),
      .discoveryPort = static_cast<std::uint16_t>(*discoveryPort),
      .refusedNode = static_cast<std::uint8_t>(*refusedNode),
  };
}

}  // namespace pondel
