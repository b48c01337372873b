// Init and Exit on one thread while a capture thread works on another, as
// Tarnwick's user-interface and capture threads do; run under ThreadSanitizer.
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "tests/pondel/pondel_test_support.h"

namespace {

using namespace pondel_testing;

using ThreadsTest = PondelTest;

// What a Com20020Receive may answer while the adapter comes and goes.
bool Expected(std::int32_t result, const ArcnetFrame& frame) {
  if (result == 0) return frame.data[0] == 0xCD && frame.length >= 7 && frame.length <= 508;
  return (result == kPondelSimNothingWaiting || result == kPondelSimOffline) && frame.waiting == 0;
}

TEST_F(ThreadsTest, InitAndExitWhileAnotherThreadDrains) {
  std::atomic<bool> done{false};
  std::atomic<long> frames{0};
  std::atomic<int> unexpected{0};
  std::thread capture([&] {
    const int event = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ArcnetFrame frame{};
    while (!done) {
      Com20020WakeOnReceive(event);
      WriteRegister(5, 2);
      WriteRegister(7, 0x10);
      pollfd p{event, POLLIN, 0};
      poll(&p, 1, 1);
      std::uint64_t count;
      if (read(event, &count, sizeof count) < 0) {
      }
      do {
        const std::int32_t result = Com20020Receive(&frame);
        if (!Expected(result, frame)) ++unexpected;
        if (result == 0) ++frames;
      } while (frame.waiting != 0);
      if (frames % 3 == 0) Com20020FlushRX();
      Com20020ResetWakeOnReceive();
    }
    close(event);
  });

  for (int i = 0; i < 60; ++i) {
    Set("PONDEL_SIM_FLOOD", i % 2 == 0 ? "1" : "0");
    Set("PONDEL_SIM_RATE", "50000");
    Set("PONDEL_SIM_QUEUE", "256");
    LocalInitBlock block = LocalBlock();
    ASSERT_EQ(Com20020Init(&block, 0, kAdapterUsb), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (i % 3 != 0) Com20020Exit();  // otherwise the next Init re-initialises
  }
  Com20020Exit();
  done = true;
  capture.join();
  EXPECT_EQ(unexpected, 0);
  EXPECT_GT(frames, 0);
}

TEST_F(ThreadsTest, ExitDuringADrainEndsIt) {
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_QUEUE", "4096"}});
  std::atomic<long> frames{0};
  std::atomic<bool> exited{false};
  std::int32_t afterExit = 0;
  std::uint32_t waitingAfterExit = 1;
  std::thread capture([&] {
    ArcnetFrame frame{};
    // Drains as the capture thread does, without waiting, until Exit has returned.
    while (!exited) {
      if (Com20020Receive(&frame) == 0) ++frames;
    }
    frame.waiting = 77;
    afterExit = Com20020Receive(&frame);
    waitingAfterExit = frame.waiting;
  });
  ASSERT_TRUE(Eventually([&] { return frames > 10000; }));
  Com20020Exit();
  exited = true;
  capture.join();
  EXPECT_EQ(afterExit, kPondelSimOffline);
  EXPECT_EQ(waitingAfterExit, 0u);
}

}  // namespace
