// The simulated COM20020 controller as the library's callers reach it: eight
// direct registers, the indexed registers behind register 7 (selected by the
// sub-address register 5), and the two settings the network consults for
// every frame: the node ID and Setup 1's receive-all bit.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "adapter/com20020.h"

namespace pondel {

inline constexpr std::uint8_t kRegSubAddress = 5;
inline constexpr std::uint8_t kRegConfiguration = 6;
inline constexpr std::uint8_t kRegIndexed = 7;
inline constexpr std::uint8_t kIndexNodeId = 1;
inline constexpr std::uint8_t kIndexSetup1 = 2;
inline constexpr std::uint8_t kSetup1ReceiveAll = 0x10;

class SimController {
 public:
  // On line, in the state after a successful Com20020Init with these settings.
  void Reset(std::uint8_t nodeId, std::uint8_t dataRateCode, std::uint8_t timeoutCode,
             bool naks128);
  // Off line: every register request is refused until the next Reset.
  void PowerOff();

  // Carries out one Com20020Register request: 0, or a kPondelSim code.
  std::int32_t Access(RegisterRequest& request);

  // Whether the controller takes a frame for this destination off the wire.
  bool Accepts(std::uint8_t destination) const {
    if (ReceivesAll()) return true;
    return destination == 0 || destination == nodeId_.load(std::memory_order_relaxed);
  }

  std::uint8_t NodeId() const { return nodeId_.load(std::memory_order_relaxed); }
  bool ReceivesAll() const {
    return (setup1_.load(std::memory_order_relaxed) & kSetup1ReceiveAll) != 0;
  }

 private:
  std::mutex mutex_;  // the register file; Init and the capture thread both reach it
  bool online_ = false;
  std::array<std::uint8_t, 8> direct_{};
  std::array<std::uint8_t, 8> indexed_{};
  // Read by the network thread for every frame, so kept outside the lock.
  std::atomic<std::uint8_t> nodeId_{0};
  std::atomic<std::uint8_t> setup1_{0};
};

}  // namespace pondel
