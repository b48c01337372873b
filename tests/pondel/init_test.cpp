// Bringing the simulated adapter on line and off line: what Com20020Init
// accepts, what it refuses and with which code, the node ID it may write
// back, and re-initialisation.
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

#include "tests/pondel/pondel_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/device_process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace pondel_testing;

using InitTest = PondelTest;

struct RefusedLocal {
  std::string what;
  std::uint8_t kind;
  std::uint8_t device;
  std::function<void(LocalInitBlock&)> change;
  std::int32_t code;
};

TEST_F(InitTest, RefusesEveryBadLocalInputWithItsCode) {
  const auto none = [](LocalInitBlock&) {};
  const RefusedLocal cases[] = {
      {"adapter kind 3", 3, 0, none, kPondelSimBadKind},
      {"USB device 2", kAdapterUsb, 2, none, kPondelSimNoSuchDevice},
      {"PCI device 1", kAdapterPci, 1, none, kPondelSimNoSuchDevice},
      {"USB device 255", kAdapterUsb, 255, none, kPondelSimNoSuchDevice},
      {"node ID 0", kAdapterUsb, 0, [](auto& b) { b.nodeId = 0; }, kPondelSimBadNodeId},
      {"data rate 6", kAdapterPci, 0, [](auto& b) { b.dataRateCode = 6; }, kPondelSimBadDataRate},
      {"data rate 8", kAdapterUsb, 0, [](auto& b) { b.dataRateCode = 8; }, kPondelSimBadDataRate},
      {"data rate 255", kAdapterUsb, 0, [](auto& b) { b.dataRateCode = 255; },
       kPondelSimBadDataRate},
      {"high rate with code 0", kAdapterUsb, 0, [](auto& b) { b.highRate = 1; },
       kPondelSimBadHighRate},
      {"code 7 without high rate", kAdapterUsb, 0, [](auto& b) { b.dataRateCode = 7; },
       kPondelSimBadHighRate},
      {"high rate 2", kAdapterUsb, 0,
       [](auto& b) {
         b.dataRateCode = 10;
         b.highRate = 2;
       },
       kPondelSimBadHighRate},
      {"timeout 0x20", kAdapterUsb, 0, [](auto& b) { b.timeoutCode = 0x20; }, kPondelSimBadTimeout},
      {"timeout 0x01", kAdapterPci, 0, [](auto& b) { b.timeoutCode = 0x01; }, kPondelSimBadTimeout},
  };
  for (const auto& c : cases) {
    LocalInitBlock block = LocalBlock(21);
    c.change(block);
    const LocalInitBlock before = block;
    EXPECT_EQ(Com20020Init(&block, c.device, c.kind), c.code) << c.what;
    EXPECT_EQ(block.nodeId, before.nodeId) << c.what << ": no write-back on a refusal";
  }
  EXPECT_EQ(Com20020Init(nullptr, 0, kAdapterUsb), kPondelSimNoBlock);
  EXPECT_EQ(Com20020Init(nullptr, 0, kAdapterServer), kPondelSimNoBlock);
}

TEST_F(InitTest, RefusesServerAddressesItCannotUse) {
  ServerInitBlock block{};
  block.address = "";
  block.port = 5001;
  EXPECT_EQ(Com20020Init(&block, 0, kAdapterServer), kPondelSimBadServerAddress);
  block.address = "192.0.2.7";
  block.port = 0;
  EXPECT_EQ(Com20020Init(&block, 0, kAdapterServer), kPondelSimBadServerAddress);
  EXPECT_EQ(block.nodeId, 0);
}

TEST_F(InitTest, RefusesMalformedSettings) {
  const std::pair<const char*, const char*> bad[] = {
      {"PONDEL_SIM_RATE", "abc"},         {"PONDEL_SIM_RATE", "10000001"},
      {"PONDEL_SIM_RATE", "-1"},          {"PONDEL_SIM_RATE", "40 "},
      {"PONDEL_SIM_SHORTEST", "2"},       {"PONDEL_SIM_SEED", "18446744073709551616"},
      {"PONDEL_SIM_FLOOD", "yes"},        {"PONDEL_SIM_QUEUE", "0"},
      {"PONDEL_SIM_QUEUE", "65537"},      {"PONDEL_SIM_REFUSED_NODE", "0"},
      {"PONDEL_SIM_REFUSED_NODE", "256"},
  };
  for (const auto& [name, value] : bad) {
    Set(name, value);
    LocalInitBlock block = LocalBlock();
    EXPECT_EQ(Com20020Init(&block, 0, kAdapterUsb), kPondelSimBadSetting) << name << "=" << value;
    unsetenv(name);
  }
  // An empty value keeps the default.
  Set("PONDEL_SIM_RATE", "");
  LocalInitBlock block = LocalBlock();
  EXPECT_EQ(Com20020Init(&block, 0, kAdapterUsb), 0);
}

TEST_F(InitTest, AcceptsWhatTheConnectOperationSends) {
  const std::pair<std::uint8_t, std::uint8_t> rates[] = {{4, 0}, {3, 0}, {2, 0}, {1, 0},
                                                         {0, 0}, {5, 0}, {7, 1}, {10, 1}};
  Set("PONDEL_SIM_RATE", "0");
  for (const auto& [code, high] : rates) {
    for (std::uint8_t timeout : {0x18, 0x10, 0x08, 0x00}) {
      LocalInitBlock block = LocalBlock();
      block.dataRateCode = code;
      block.highRate = high;
      block.timeoutCode = timeout;
      EXPECT_EQ(Com20020Init(&block, 0, kAdapterPci), 0) << int(code) << "/" << int(timeout);
    }
  }
  for (std::uint8_t device : {0, 1}) {
    LocalInitBlock block = LocalBlock(255);
    EXPECT_EQ(Com20020Init(&block, device, kAdapterUsb), 0) << "USB device " << int(device);
    EXPECT_EQ(block.nodeId, 255);
  }
}

TEST_F(InitTest, ATakenNodeIdMovesToTheNextFreeOneAndIsWrittenBack) {
  Set("PONDEL_SIM_RATE", "0");
  const std::pair<std::uint8_t, std::uint8_t> moves[] = {{5, 5},   {3, 4},     {21, 22},   {42, 43},
                                                         {64, 65}, {126, 127}, {200, 201}, {1, 1}};
  for (const auto& [wanted, given] : moves) {
    LocalInitBlock block = LocalBlock(wanted);
    ASSERT_EQ(Com20020Init(&block, 0, kAdapterUsb), 0);
    EXPECT_EQ(block.nodeId, given) << "asked for " << int(wanted);
    EXPECT_EQ(ReadIndexed(1), given) << "the node ID register agrees";
  }
}

TEST_F(InitTest, ServerIsFoundAutomaticallyOrByAddressAndReportsItsNode) {
  testing_support::DeviceProcess device({"--rate", "0"});
  ASSERT_TRUE(device.listening()) << device.Output();
  Set("PONDEL_SIM_DISCOVERY_PORT", std::to_string(device.discoveryPort()).c_str());
  ServerInitBlock automatic{};
  automatic.initFlag = 1;
  EXPECT_EQ(Com20020Init(&automatic, 0, kAdapterServer), 0);
  EXPECT_EQ(automatic.nodeId, 254);

  ServerInitBlock addressed{};
  addressed.address = "127.0.0.1";
  addressed.port = device.port();
  EXPECT_EQ(Com20020Init(&addressed, 0, kAdapterServer), 0);
  EXPECT_EQ(addressed.nodeId, 254);
  EXPECT_EQ(ReadIndexed(1), 254);
}

TEST_F(InitTest, SecondInitWithoutExitStartsAfresh) {
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_QUEUE", "64"}});
  RegisterEvent();
  SwitchReceiveAllOn();
  ASSERT_TRUE(WaitForEvent());

  Set("PONDEL_SIM_FLOOD", "0");
  Set("PONDEL_SIM_RATE", "0");
  LocalInitBlock block = LocalBlock(9);
  ASSERT_EQ(Com20020Init(&block, 1, kAdapterUsb), 0);
  ArcnetFrame frame{};
  frame.waiting = 99;
  EXPECT_EQ(Com20020Receive(&frame), kPondelSimNothingWaiting) << "the old frames are gone";
  EXPECT_EQ(frame.waiting, 0u);
  EXPECT_EQ(ReadIndexed(2) & 0x10, 0) << "receive-all is clear again";
  EXPECT_EQ(ReadIndexed(1), 9);

  // The old event registration is gone too: a flood signals nobody.
  Set("PONDEL_SIM_FLOOD", "1");
  ASSERT_EQ(Com20020Init(&block, 1, kAdapterUsb), 0);
  ASSERT_TRUE(Eventually([&] { return Com20020Receive(&frame) == 0; }));
  EXPECT_FALSE(EventSignalled());
}

TEST_F(InitTest, ARefusedInitLeavesTheAdapterOffLine) {
  InitUsb({{"PONDEL_SIM_RATE", "0"}});
  LocalInitBlock bad = LocalBlock(0);
  ASSERT_EQ(Com20020Init(&bad, 0, kAdapterUsb), kPondelSimBadNodeId);
  ArcnetFrame frame{};
  EXPECT_EQ(Com20020Receive(&frame), kPondelSimOffline);
  EXPECT_EQ(ReadRegister(0), -1);
}

// What a program did to the adapter, seen from outside as a test of a
// program run as a process sees it: every call but Receive, in order, with
// the frames handed out counted at Exit.
TEST_F(InitTest, RefusesTheNodeItIsToldToAndTracesEveryCallButReceive) {
  testing_support::TempDir dir;
  const auto trace = dir.path() / "trace";
  InitUsb({{"PONDEL_SIM_FLOOD", "1"},
           {"PONDEL_SIM_QUEUE", "3"},
           {"PONDEL_SIM_REFUSED_NODE", "7"},
           {"PONDEL_SIM_TRACE", trace.c_str()}});
  LocalInitBlock refused = LocalBlock(7);
  EXPECT_EQ(Com20020Init(&refused, 0, kAdapterUsb), kPondelSimNodeRefused);
  LocalInitBlock block = LocalBlock(21);
  ASSERT_EQ(Com20020Init(&block, 1, kAdapterPci), kPondelSimNoSuchDevice);
  ASSERT_EQ(Com20020Init(&block, 0, kAdapterPci), 0);
  RegisterEvent();
  const int saved = SwitchReceiveAllOn();
  Com20020FlushRX();
  std::size_t taken = 0;
  ASSERT_TRUE(Eventually([&] { return (taken += Drain().size()) >= 3; }));
  RestoreSetup1(saved);
  Com20020Exit();
  EXPECT_EQ(testing_support::ReadFile(trace),
            "Com20020Init: kind 0, device 0, node 5, result 0\n"
            "Com20020Init: kind 0, device 0, node 7, result 9018\n"
            "Com20020Init: kind 1, device 1, node 21, result 9003\n"
            "Com20020Init: kind 1, device 0, node 22, result 0\n"
            "Com20020WakeOnReceive\n"
            "Com20020Register(w5=02)\nCom20020Register(r7)\n"
            "Com20020Register(w5=02)\nCom20020Register(w7=50)\n"
            "Com20020FlushRX\n"
            "Com20020Register(w5=02)\nCom20020Register(w7=40)\n"
            "Com20020Exit: " +
                std::to_string(taken) + " frames delivered, 0 dropped\n");
}

TEST_F(InitTest, AfterExitEveryCallReportsOffLine) {
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}});
  Com20020Exit();
  Com20020Exit();  // twice is harmless
  ArcnetFrame frame{};
  frame.waiting = 5;
  EXPECT_EQ(Com20020Receive(&frame), kPondelSimOffline);
  EXPECT_EQ(frame.waiting, 0u);
  RegisterRequest request{kRegisterRead, 0, 0};
  EXPECT_EQ(Com20020Register(&request), kPondelSimOffline);
  EXPECT_EQ(Com20020FlushRX(), kPondelSimOffline);
  const int event = eventfd(0, EFD_CLOEXEC);
  EXPECT_EQ(Com20020WakeOnReceive(event), kPondelSimOffline);
  EXPECT_EQ(Com20020ResetWakeOnReceive(), 0);
  close(event);
}

// Init starts the network's thread; a thread that cannot be started must
// come back as a code, never as an exception across the C boundary.
TEST_F(InitTest, AThreadThatCannotStartIsACodeAndLeavesTheAdapterOffLine) {
  const int status = testing_support::RunInChild([] {
    // One process for the user: no thread can start. Root is exempt, so the
    // child becomes an ordinary user first.
    const rlimit one{1, 1};
    if (!testing_support::DropRootPrivileges() || setrlimit(RLIMIT_NPROC, &one) != 0) return false;
    LocalInitBlock block = LocalBlock();
    ArcnetFrame frame{};
    return Com20020Init(&block, 0, kAdapterUsb) == kPondelSimInternalFault &&
           Com20020Receive(&frame) == kPondelSimOffline;
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
