// Capturing from a network server device that runs outside the test program,
// as an operator does it: the device simulator that the test run started
// (scripts/test-windows.sh starts the Linux vornex-sim, so under Wine the
// library's Winsock side of the link is what carries the frames), named in
//   TARNWICK_TEST_DEVICE       its address and TCP port, "127.0.0.1:5001"
//   TARNWICK_TEST_DEVICE_SEED  the --seed of its simulated network
// and the one that vanishes once a capture has been sent
//   TARNWICK_TEST_VANISHING_AFTER  frames (its --vanish-after), named in
//   TARNWICK_TEST_VANISHING_DEVICE
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "capture/capture_files.h"
#include "platform/environment.h"
#include "pondel/bacnet_traffic.h"
#include "tests/capture/frame_files.h"
#include "tests/conformance/program_scenario.h"

namespace {

using namespace testing_support;
using namespace ui::automation;
using namespace std::chrono_literals;
using conformance::kMain;
using conformance::kRx;
using conformance::ProgramScenario;

// Two seconds of the busiest 10 Mbps ARCNET.
constexpr std::size_t kFrames = 2 * 51000;
// The device's network has made at most this many frames before a capture
// starts (a minute at the busiest rate).
constexpr std::size_t kFramesBeforeCapture = 60 * 51000;
// The first captured frames that pick out where the capture began.
constexpr std::size_t kFramesThatPlaceIt = 8;

class ExternalDeviceScenario : public ProgramScenario {
 protected:
  // A stall of this machine longer than the library's default queue holds
  // (80 ms at this rate) would drop frames: what is tested is the link.
  ExternalDeviceScenario() { platform::SetEnv("PONDEL_SIM_QUEUE", "65536"); }
  ~ExternalDeviceScenario() override { platform::UnsetEnv("PONDEL_SIM_QUEUE"); }

  // The settings that reach the device `where` ("127.0.0.1:5001").
  void WriteDeviceSettings(const std::string& where) const {
    const std::size_t colon = where.rfind(':');
    ASSERT_NE(colon, std::string::npos) << where;
    WriteSettings("VORNEX=1\nKESTA=0\nIPAddress=" + where.substr(0, colon) +
                  "\nPortNumber=" + where.substr(colon + 1) + "\n");
  }
};

// The first of records[first, last) that is not the next frame `network`
// makes, or `last` when all of them are.
std::size_t FirstDifference(pondel::BacnetTraffic network, std::uint8_t node,
                            const std::vector<PcapRecordView>& records, std::size_t first,
                            std::size_t last) {
  ArcnetFrame frame{};
  for (std::size_t i = first; i < last; ++i) {
    network.Next(node, frame);
    if (records[i].bytes != CapturedBytes(frame)) return i;
  }
  return last;
}

TEST_F(ExternalDeviceScenario, AtTheBusiestRateEveryFrameTheDeviceSentIsInTheFileInOrder) {
  const char* device = std::getenv("TARNWICK_TEST_DEVICE");
  const char* seed = std::getenv("TARNWICK_TEST_DEVICE_SEED");
  if (device == nullptr || seed == nullptr)
    GTEST_SKIP() << "no device: scripts/test-windows.sh starts vornex-sim --rate 51000 and names "
                    "it in TARNWICK_TEST_DEVICE and TARNWICK_TEST_DEVICE_SEED";
  WriteDeviceSettings(device);

  std::string nodeText, shown;
  Run([&] {
    Connect();
    nodeText = Text(kMain, IDC_NODE_ID_TEXT);
    StartCapture();
    ASSERT_TRUE(WaitUntil([] { return CountShown() >= static_cast<int>(kFrames); }, 30s));
    shown = StopCapture();
    ASSERT_TRUE(Click(kRx, IDOK));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));  // the device is told goodbye
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_STATUS) == "Status: OFFLINE"; }));
    ASSERT_TRUE(PressEscape(kMain));
  });

  const auto records = PcapRecords(ReadFile(kCaptureFileName));
  ASSERT_GE(records.size(), kFrames);
  EXPECT_EQ(shown, std::to_string(records.size()));
  ASSERT_TRUE(nodeText.starts_with("Node ID: ")) << nodeText;
  const auto node = static_cast<std::uint8_t>(std::stoi(nodeText.substr(9)));

  // The device's network makes the same frames from the same seed. The
  // capture holds them from some frame on: find it by the first few, then
  // every captured frame must be the next the network made.
  pondel::BacnetTraffic network(std::stoull(seed), false);
  ArcnetFrame frame{};
  const std::size_t placed = std::min(kFramesThatPlaceIt, records.size());
  std::size_t start = 0;  // the device's frame the capture began with, counted from 0
  for (;; ++start) {
    ASSERT_LT(start, kFramesBeforeCapture) << "the first captured frame is none the device made";
    network.Next(node, frame);
    if (records[0].bytes == CapturedBytes(frame) &&
        FirstDifference(network, node, records, 1, placed) == placed)
      break;
  }
  const std::size_t differs = FirstDifference(network, node, records, 1, records.size());
  EXPECT_EQ(differs, records.size())
      << "captured frame " << differs << " is not frame " << start + differs
      << " of the device's network: frames were lost, repeated or reordered on the way";
}

TEST_F(ExternalDeviceScenario, ADeviceThatVanishesMidCaptureIsSaidWithEveryFrameInTheFiles) {
  const char* device = std::getenv("TARNWICK_TEST_VANISHING_DEVICE");
  const char* frames = std::getenv("TARNWICK_TEST_VANISHING_AFTER");
  if (device == nullptr || frames == nullptr)
    GTEST_SKIP() << "no device: scripts/test-windows.sh starts vornex-sim --vanish-after 3000 "
                    "and names it in TARNWICK_TEST_VANISHING_DEVICE and _AFTER";
  WriteDeviceSettings(device);

  std::string shown;
  Run([&] {
    Connect();
    StartCapture();
    shown = AnswerDeviceGone("The network server device stopped answering");
    ASSERT_TRUE(PressEscape(kMain));
  });
  EXPECT_EQ(shown, frames);
  EXPECT_EQ(std::to_string(PcapRecords(ReadFile(kCaptureFileName)).size()), frames);
}

}  // namespace
