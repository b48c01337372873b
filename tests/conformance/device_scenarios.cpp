// Capturing from the network server device, as an operator does it: the
// device simulator runs as a process of its own, and the program reaches it
// by its address or by automatic detection, on every backend.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_files.h"
#include "pondel/bacnet_traffic.h"
#include "pondel/pondel.h"
#include "tests/capture/frame_files.h"
#include "tests/conformance/program_scenario.h"
#include "tests/support/device_process.h"
#include "tests/support/tshark.h"

namespace {

using namespace testing_support;
using namespace ui::automation;
using namespace std::chrono_literals;
using conformance::kMain;
using conformance::kRx;
using conformance::ProgramScenario;

// A pcap file (link type 129) of simulated BACnet traffic, one frame every
// `spacing`: what the device is to replay.
std::vector<ArcnetFrame> WriteReplayFile(const std::filesystem::path& file, std::size_t count,
                                         std::chrono::microseconds spacing) {
  pondel::BacnetTraffic traffic(3, false);
  std::vector<ArcnetFrame> frames(count);
  std::FILE* out = std::fopen(file.c_str(), "wb");
  const std::uint32_t header[] = {0xA1B2C3D4, 0x00040002, 0, 0, 65535, 129};
  std::fwrite(header, sizeof header, 1, out);
  for (std::size_t i = 0; i < count; ++i) {
    traffic.Next(254, frames[i]);
    const auto at = spacing * static_cast<long>(i);
    const std::uint32_t record[] = {
        static_cast<std::uint32_t>(1'700'000'000 + at.count() / 1'000'000),
        static_cast<std::uint32_t>(at.count() % 1'000'000), frames[i].length + 4u,
        frames[i].length + 4u};
    std::fwrite(record, sizeof record, 1, out);
    const std::uint8_t arcnet[] = {frames[i].source, frames[i].destination,
                                   static_cast<std::uint8_t>(frames[i].length),
                                   static_cast<std::uint8_t>(frames[i].length >> 8)};
    std::fwrite(arcnet, sizeof arcnet, 1, out);
    std::fwrite(frames[i].data, 1, frames[i].length, out);
  }
  std::fclose(out);
  return frames;
}

class DeviceScenario : public ProgramScenario {
 protected:
  ~DeviceScenario() override { unsetenv("PONDEL_SIM_DISCOVERY_PORT"); }

  static void ConnectToTheDevice() {
    Connect();
    EXPECT_EQ(Text(kMain, IDC_NODE_ID_TEXT), "Node ID: 254");
  }
};

TEST_F(DeviceScenario, ByItsAddressTheReplayedFileArrivesFrameForFrame) {
  constexpr std::size_t kFrames = 1500;
  constexpr auto kSpacing = 2ms;
  const auto replay = home_.path() / "site.pcap";
  const std::vector<ArcnetFrame> sent = WriteReplayFile(replay, kFrames, kSpacing);
  DeviceProcess device({"--replay", replay.string()});
  ASSERT_TRUE(device.listening()) << device.Output();
  WriteSettings(
      "VORNEX=1\nKESTA=0\nIPAddress=127.0.0.1\nPortNumber=" + std::to_string(device.port()) + "\n");

  std::string shown;
  Run([&] {
    ConnectToTheDevice();
    StartCapture();
    ASSERT_TRUE(WaitUntil([] { return CountShown() >= static_cast<int>(kFrames); }, 20s));
    std::this_thread::sleep_for(50ms);  // nothing more comes
    shown = StopCapture();
    ASSERT_TRUE(Click(kRx, IDOK));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_STATUS) == "Status: OFFLINE"; }));
    ASSERT_TRUE(PressEscape(kMain));
  });

  EXPECT_EQ(shown, std::to_string(kFrames));
  const auto records = PcapRecords(ReadFile(kCaptureFileName));
  ASSERT_EQ(records.size(), kFrames);
  for (std::size_t i = 0; i < kFrames; ++i)
    ASSERT_EQ(records[i].bytes, CapturedBytes(sent[i])) << "frame " << i;
  // Played with its spacing, not in a burst: the capture spans the file's
  // time (millisecond stamps; a loaded machine may only stretch it).
  const auto stamp = [](const PcapRecordView& r) {
    return r.seconds * 1000.0 + r.microseconds / 1000.0;
  };
  EXPECT_GE(stamp(records.back()) - stamp(records.front()),
            0.95 * kSpacing.count() * (kFrames - 1));

  SKIP_WITHOUT_TSHARK();
  const std::vector<std::string> fields = {"frame.cap_len", "arcnet.src", "arcnet.dst",
                                           "bacnet.control", "bacapp.type"};
  const auto captured = TsharkFields(kCaptureFileName, fields);
  ASSERT_TRUE(captured.has_value());
  EXPECT_EQ(captured, TsharkFields(replay, fields)) << "tshark reads the same frames in both";
  EXPECT_EQ(TsharkMalformedFrames(kCaptureFileName), std::vector<int>{});
}

// Every frame counted is in the file, each record whole, and tshark reads it.
void ExpectFileHolds(const std::string& shown) {
  const std::string file = ReadFile(kCaptureFileName);
  const auto records = PcapRecords(file);
  EXPECT_EQ(shown, std::to_string(records.size()));
  std::size_t size = 24;
  for (const auto& record : records) size += 16 + record.includedLength;
  EXPECT_EQ(size, file.size());
  if (!TsharkAvailable()) return;
  EXPECT_EQ(TsharkMalformedFrames(kCaptureFileName), std::vector<int>{});
}

TEST_F(DeviceScenario, FoundByAutoDetectThenKilledMidCaptureTheOperatorIsTold) {
  DeviceProcess device({"--rate", "2000"});
  ASSERT_TRUE(device.listening()) << device.Output();
  setenv("PONDEL_SIM_DISCOVERY_PORT", std::to_string(device.discoveryPort()).c_str(), 1);
  WriteSettings("VORNEX=1\nKESTA=0\n");  // no address: Auto-Detect

  std::string shown;
  Run([&] {
    ConnectToTheDevice();
    StartCapture();
    ASSERT_TRUE(WaitUntil([] { return CountShown() >= 200; }));
    device.Kill();
    shown = AnswerDeviceGone("The network server device stopped answering");

    // The device is gone: Connect says so, and nothing changes.
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Init Error: 9010");
    EXPECT_EQ(box->caption, "Connect Failure");
    ASSERT_TRUE(AnswerMessageBox(kIdOk));
    ASSERT_TRUE(WaitForWindow(kMain));
    EXPECT_EQ(Text(kMain, IDC_STATUS), "Status: OFFLINE");
    ASSERT_TRUE(PressEscape(kMain));
  });
  ExpectFileHolds(shown);
}

TEST_F(DeviceScenario, ADeviceStoppedForTwoSecondsIsWaitedForAndOneStoppedLongerIsNot) {
  DeviceProcess device({"--rate", "500"});
  ASSERT_TRUE(device.listening()) << device.Output();
  WriteSettings(
      "VORNEX=1\nKESTA=0\nIPAddress=127.0.0.1\nPortNumber=" + std::to_string(device.port()) + "\n");

  std::string shown;
  std::uint64_t dropped = 1;
  Run([&] {
    ConnectToTheDevice();
    StartCapture();
    ASSERT_TRUE(WaitUntil([] { return CountShown() >= 100; }));
    device.Signal(SIGSTOP);
    std::this_thread::sleep_for(2s);
    device.Signal(SIGCONT);
    const int afterStall = CountShown();
    ASSERT_TRUE(WaitUntil([&] { return CountShown() >= afterStall + 200; }))
        << "the link survives a stall shorter than its limit";
    EXPECT_TRUE(IsEnabled(kRx, IDC_STOP));

    device.Signal(SIGSTOP);
    const auto stopped = std::chrono::steady_clock::now();
    shown = AnswerDeviceGone("The network server device stopped answering");
    EXPECT_GE(std::chrono::steady_clock::now() - stopped, 2900ms)
        << "a stall under 3 s is outlived";
    dropped = PondelDroppedFrames();
    device.Signal(SIGCONT);
    ASSERT_TRUE(PressEscape(kMain));
  });
  // The device's queue held the frames of the short stall.
  EXPECT_EQ(dropped, 0u);
  ExpectFileHolds(shown);
}

}  // namespace
