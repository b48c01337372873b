// Receiving from the simulated adapter as the capture thread does: the
// destination filter with receive-all clear and set, the waiting count, the
// receive event, flushing, and frames dropped by a full queue.
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/pondel/pondel_test_support.h"

namespace {

using namespace pondel_testing;

constexpr std::uint8_t kOwnNode = 5;
const std::set<std::uint8_t> kDeviceNodes = {3, 21, 42, 64, 126, 200};

using ReceiveTest = PondelTest;

TEST_F(ReceiveTest, WithoutReceiveAllOnlyOwnAndBroadcastFramesArrive) {
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_SEED", "7"}, {"PONDEL_SIM_QUEUE", "200"}});
  RegisterEvent();
  std::set<std::uint8_t> destinations;
  for (int i = 0; i < 5; ++i) {
    for (const auto& frame : NextBatch()) destinations.insert(frame.destination);
  }
  EXPECT_EQ(destinations, (std::set<std::uint8_t>{0, kOwnNode}));
}

TEST_F(ReceiveTest, WithReceiveAllEveryFrameOnTheNetworkArrives) {
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_SEED", "7"}, {"PONDEL_SIM_QUEUE", "200"}});
  RegisterEvent();
  const int saved = SwitchReceiveAllOn();
  Com20020FlushRX();
  std::set<std::uint8_t> destinations, sources;
  for (int i = 0; i < 5; ++i) {
    for (const auto& frame : NextBatch()) {
      destinations.insert(frame.destination);
      sources.insert(frame.source);
    }
  }
  EXPECT_TRUE(destinations.contains(0));
  EXPECT_TRUE(destinations.contains(kOwnNode));
  EXPECT_TRUE(std::includes(destinations.begin(), destinations.end(), kDeviceNodes.begin(),
                            kDeviceNodes.end()));
  EXPECT_EQ(sources, kDeviceNodes);

  // Restored, the filter is back.
  RestoreSetup1(saved);
  Com20020FlushRX();
  for (int i = 0; i < 3; ++i) {
    for (const auto& frame : NextBatch())
      EXPECT_TRUE(frame.destination == 0 || frame.destination == kOwnNode)
          << int(frame.destination);
  }
}

TEST_F(ReceiveTest, WaitingCountTellsHowManyFramesAreLeft) {
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_QUEUE", "16"}});
  SwitchReceiveAllOn();
  Com20020FlushRX();
  RegisterEvent();
  ASSERT_TRUE(WaitForEvent());
  // In receive-all mode a flood fills the queue, and refills it only once it
  // is empty, so one drain counts down from the top.
  ArcnetFrame frame{};
  for (std::uint32_t left = 15;; --left) {
    ASSERT_EQ(Com20020Receive(&frame), 0);
    ASSERT_EQ(frame.waiting, left);
    EXPECT_EQ(frame.data[0], 0xCD);
    if (left == 0) break;
  }
}

TEST_F(ReceiveTest, EmptyQueueReportsNothingWaiting) {
  InitUsb({{"PONDEL_SIM_RATE", "0"}});
  ArcnetFrame frame{};
  frame.waiting = 1234;
  EXPECT_EQ(Com20020Receive(&frame), kPondelSimNothingWaiting);
  EXPECT_EQ(frame.waiting, 0u);
  EXPECT_EQ(Com20020Receive(nullptr), kPondelSimNullArgument);
}

TEST_F(ReceiveTest, EventIsSignalledWhileFramesWaitAndNotAfterTheReset) {
  InitUsb({{"PONDEL_SIM_RATE", "5000"}});
  RegisterEvent();
  SwitchReceiveAllOn();
  ASSERT_TRUE(WaitForEvent());
  EXPECT_FALSE(Drain().empty());
  ASSERT_TRUE(WaitForEvent()) << "signalled again as more frames come";

  ASSERT_EQ(Com20020ResetWakeOnReceive(), 0);
  WaitForEvent(std::chrono::milliseconds(0));  // a signal from before the reset
  Drain();
  ArcnetFrame frame{};
  ASSERT_TRUE(Eventually([&] { return Com20020Receive(&frame) == 0; })) << "frames keep arriving";
  EXPECT_FALSE(EventSignalled()) << "but nobody is told";
}

// A signal written into anything but an eventfd is lost or lands in a
// stranger's data.
TEST_F(ReceiveTest, WakeOnReceiveTakesOnlyAnOpenEventfd) {
  InitUsb({{"PONDEL_SIM_RATE", "0"}});
  EXPECT_EQ(Com20020WakeOnReceive(-1), kPondelSimBadEvent);
  char name[] = "/tmp/pondel-event-XXXXXX";
  const int file = mkstemp(name);
  ASSERT_GE(file, 0);
  unlink(name);
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  const int closed = eventfd(0, EFD_CLOEXEC);
  close(closed);
  // Its reads take 1 from the count instead of resetting it: not auto-reset.
  const int semaphore = eventfd(0, EFD_CLOEXEC | EFD_SEMAPHORE);
  for (const int notAnEvent : {file, pipeEnds[1], closed, 0, semaphore})
    EXPECT_EQ(Com20020WakeOnReceive(notAnEvent), kPondelSimBadEvent) << notAnEvent;
  close(semaphore);
  struct stat info;
  ASSERT_EQ(fstat(file, &info), 0);
  EXPECT_EQ(info.st_size, 0);  // no signal written into the file
  for (const int fd : {file, pipeEnds[0], pipeEnds[1]}) close(fd);
  RegisterEvent();  // an eventfd still does
}

// A caller that closes its event before the reset: the file that is given
// the event's number next must not receive the library's wake-ups.
TEST_F(ReceiveTest, AFileThatTakesAClosedEventsNumberGetsNoWakeUp) {
  InitUsb({{"PONDEL_SIM_RATE", "5000"}});
  const int event = RegisterEvent();
  SwitchReceiveAllOn();
  close(event);
  event_ = -1;
  char name[] = "/tmp/pondel-event-XXXXXX";
  const int file = mkstemp(name);
  ASSERT_EQ(file, event) << "the file did not get the event's number";
  unlink(name);
  for (int batch = 0; batch < 20; ++batch) {
    ArcnetFrame frame{};
    ASSERT_TRUE(Eventually([&] { return Com20020Receive(&frame) == 0; }));
  }
  struct stat info;
  ASSERT_EQ(fstat(file, &info), 0);
  EXPECT_EQ(info.st_size, 0);
  close(file);
}

TEST_F(ReceiveTest, FlushDiscardsTheWaitingFrames) {
  // A queue of 1000 at 10,000 frames/s fills in a tenth of a second; after
  // the flush, far fewer than that have come when the next call is made.
  InitUsb({{"PONDEL_SIM_RATE", "10000"}, {"PONDEL_SIM_QUEUE", "1000"}});
  SwitchReceiveAllOn();
  ASSERT_TRUE(Eventually([] { return PondelDroppedFrames() > 0; }));
  ASSERT_EQ(Com20020FlushRX(), 0);
  ArcnetFrame frame{};
  Com20020Receive(&frame);
  EXPECT_LT(frame.waiting, 500u);
}

TEST_F(ReceiveTest, FullQueueDropsTheNewestFramesAndCountsThem) {
  // The first frames this seed delivers to node 5, taken from a flood.
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_SEED", "99"}});
  RegisterEvent();
  const auto delivered = NextBatch();
  ASSERT_GE(delivered.size(), 8u);

  // The same traffic into a queue of 8 that nobody empties.
  InitUsb({{"PONDEL_SIM_FLOOD", "0"}, {"PONDEL_SIM_RATE", "20000"}, {"PONDEL_SIM_QUEUE", "8"}});
  EXPECT_EQ(PondelDroppedFrames(), 0u);
  ASSERT_TRUE(Eventually([] { return PondelDroppedFrames() > 0; }));
  ArcnetFrame frame{};
  for (std::uint32_t i = 0; i < 8; ++i) {
    ASSERT_EQ(Com20020Receive(&frame), 0);
    if (i == 0) {
      EXPECT_EQ(frame.waiting, 7u) << "the queue holds its capacity, no more";
    }
    EXPECT_EQ(0, std::memcmp(&frame, &delivered[i], 4 + frame.length)) << "the oldest stay: " << i;
  }
  const auto dropped = PondelDroppedFrames();
  ASSERT_TRUE(Eventually([&] { return PondelDroppedFrames() > dropped; })) << "still counting";

  InitUsb({{"PONDEL_SIM_RATE", "0"}});
  EXPECT_EQ(PondelDroppedFrames(), 0u) << "each Init counts afresh";
}

TEST_F(ReceiveTest, FloodNeverDrops) {
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_QUEUE", "32"}});
  SwitchReceiveAllOn();
  Com20020FlushRX();
  RegisterEvent();
  std::size_t received = 0;
  for (int i = 0; i < 20; ++i) received += NextBatch().size();
  EXPECT_GE(received, 19u * 32u);
  EXPECT_EQ(PondelDroppedFrames(), 0u);
}

TEST_F(ReceiveTest, FixedSeedRepeatsTheTraffic) {
  auto firstBatch = [this] {
    InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_SEED", "123"}, {"PONDEL_SIM_QUEUE", "300"}});
    RegisterEvent();
    auto frames = NextBatch();
    Com20020ResetWakeOnReceive();
    close(event_);
    event_ = -1;
    return frames;
  };
  const auto first = firstBatch();
  const auto second = firstBatch();
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(second.size(), first.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    ASSERT_EQ(first[i].length, second[i].length) << i;
    EXPECT_EQ(0, std::memcmp(&first[i], &second[i], 4 + first[i].length)) << i;
  }
}

}  // namespace
