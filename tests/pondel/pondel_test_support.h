// Driving the stand-in adapter library through its exported functions only,
// as Tarnwick does: a fixture that starts every test from a clean environment
// and off line, and the register and receive steps the tests share.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

#include "adapter/com20020.h"
#include "pondel/pondel.h"

namespace pondel_testing {

inline constexpr const char* kSettings[] = {
    "PONDEL_SIM_RATE",  "PONDEL_SIM_SHORTEST",       "PONDEL_SIM_SEED",         "PONDEL_SIM_FLOOD",
    "PONDEL_SIM_QUEUE", "PONDEL_SIM_DISCOVERY_PORT", "PONDEL_SIM_REFUSED_NODE", "PONDEL_SIM_TRACE"};

// A block as the connect operation builds it: standard timeouts, 2.5 Mbps.
inline LocalInitBlock LocalBlock(std::uint8_t nodeId = 5) {
  LocalInitBlock block{};
  block.timeoutCode = 0x18;
  block.nodeId = nodeId;
  block.initFlagA = 1;
  block.dataRateCode = 0;
  block.initFlagB = 1;
  return block;
}

inline std::int32_t WriteRegister(std::uint8_t reg, std::uint8_t value) {
  RegisterRequest request{kRegisterWrite, reg, value};
  return Com20020Register(&request);
}

// The value read, or -1 when the read was refused.
inline int ReadRegister(std::uint8_t reg) {
  RegisterRequest request{kRegisterRead, reg, 0};
  return Com20020Register(&request) == 0 ? request.value : -1;
}

inline int ReadIndexed(std::uint8_t index) {
  if (WriteRegister(5, index) != 0) return -1;
  return ReadRegister(7);
}

// The four requests a capture makes to switch receive-all on; returns the
// Setup 1 value it saved.
inline int SwitchReceiveAllOn() {
  const int saved = ReadIndexed(2);
  WriteRegister(5, 2);
  WriteRegister(7, static_cast<std::uint8_t>(saved | 0x10));
  return saved;
}

// The two requests that put the saved value back.
inline void RestoreSetup1(int saved) {
  WriteRegister(5, 2);
  WriteRegister(7, static_cast<std::uint8_t>(saved));
}

class PondelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
  }
  void TearDown() override {
    Com20020ResetWakeOnReceive();
    Com20020Exit();
    if (event_ >= 0) close(event_);
    for (const char* name : kSettings) unsetenv(name);
  }

  static void Set(const char* name, const char* value) { setenv(name, value, 1); }

  // On line as a USB adapter, device 0, node 5, with the given settings.
  void InitUsb(std::initializer_list<std::pair<const char*, const char*>> settings = {}) {
    for (const auto& [name, value] : settings) Set(name, value);
    LocalInitBlock block = LocalBlock();
    ASSERT_EQ(Com20020Init(&block, 0, kAdapterUsb), 0);
  }

  // Registers an eventfd with the library, as the capture thread does.
  int RegisterEvent() {
    event_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    EXPECT_EQ(Com20020WakeOnReceive(event_), 0);
    return event_;
  }

  // Waits for the event as the capture thread does and resets it; false on timeout.
  bool WaitForEvent(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    pollfd p{event_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeout.count())) != 1) return false;
    std::uint64_t count;
    return read(event_, &count, sizeof count) == sizeof count;
  }

  bool EventSignalled() { return WaitForEvent(std::chrono::milliseconds(0)); }

  // Takes frames until the waiting count says none is left, as one wake-up of
  // the capture thread does.
  static std::vector<ArcnetFrame> Drain() {
    std::vector<ArcnetFrame> frames;
    ArcnetFrame frame{};
    do {
      if (Com20020Receive(&frame) == 0) frames.push_back(frame);
    } while (frame.waiting != 0);
    return frames;
  }

  // The next wake-up's frames: waits for the event, then drains.
  std::vector<ArcnetFrame> NextBatch() {
    if (!WaitForEvent()) return {};
    return Drain();
  }

  int event_ = -1;
};

// Polls a condition every millisecond until it holds or ten seconds pass.
template <typename Condition>
bool Eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    usleep(1000);
  }
  return true;
}

}  // namespace pondel_testing
