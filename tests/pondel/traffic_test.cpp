// The simulated network's frames, as a capture receives them: real BACnet
// that Wireshark decodes without complaint, repeatable from a seed.
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "capture/pcap_writer.h"
#include "capture/record_file.h"
#include "platform/file.h"
#include "tests/pondel/pondel_test_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tshark.h"

namespace {

using namespace pondel_testing;
using testing_support::TempDir;

class TrafficTest : public PondelTest {
 protected:
  // At least `count` frames of a flood seen in receive-all mode.
  std::vector<ArcnetFrame> Capture(std::size_t count) {
    SwitchReceiveAllOn();
    Com20020FlushRX();
    std::vector<ArcnetFrame> frames;
    for (int wakeUp = 0; wakeUp < 100 && frames.size() < count; ++wakeUp) {
      const auto batch = NextBatch();
      frames.insert(frames.end(), batch.begin(), batch.end());
    }
    return frames;
  }

  std::filesystem::path WritePcap(const std::vector<ArcnetFrame>& frames) {
    const auto file = dir_.path() / "simulated.pcap";
    RecordFile out{platform::OutputFile(file.c_str(), platform::OutputKind::kFile)};
    WritePcapHeader(out);
    for (const auto& frame : frames) WritePcapRecord(out, frame);
    EXPECT_TRUE(out.Close());
    return file;
  }

  TempDir dir_;
};

TEST_F(TrafficTest, WiresharkDecodesEveryFrameAsBacnet) {
  SKIP_WITHOUT_TSHARK();
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_SEED", "20020"}, {"PONDEL_SIM_QUEUE", "1000"}});
  RegisterEvent();
  const auto frames = Capture(3000);
  ASSERT_GE(frames.size(), 3000u);
  // From the shortest BACnet message to a frame filled to its last byte.
  const auto [shortest, longest] = std::minmax_element(
      frames.begin(), frames.end(), [](auto& a, auto& b) { return a.length < b.length; });
  EXPECT_EQ(shortest->length, 7);
  EXPECT_EQ(longest->length, kArcnetMaxData);
  const auto file = WritePcap(frames);

  const auto lines = testing_support::TsharkFields(file, {"frame.protocols"});
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), frames.size());
  for (std::size_t i = 0; i < lines->size(); ++i) {
    const std::string& protocols = (*lines)[i];
    EXPECT_TRUE(protocols == "arcnet:llc:bacnet:bacapp" || protocols == "arcnet:llc:bacnet")
        << "frame " << i + 1 << ": " << protocols;
  }
  EXPECT_EQ(testing_support::TsharkMalformedFrames(file), std::vector<int>{});
  const auto expert = testing_support::TsharkFields(file, {"_ws.expert.severity"});
  ASSERT_TRUE(expert);
  for (std::size_t i = 0; i < expert->size(); ++i)
    EXPECT_EQ((*expert)[i], "") << "frame " << i + 1 << " has an expert finding";
}

TEST_F(TrafficTest, ShortestFramesAreNetworkLayerBacnet) {
  SKIP_WITHOUT_TSHARK();
  InitUsb({{"PONDEL_SIM_FLOOD", "1"}, {"PONDEL_SIM_SHORTEST", "1"}, {"PONDEL_SIM_QUEUE", "500"}});
  RegisterEvent();
  const auto frames = Capture(500);
  ASSERT_FALSE(frames.empty());
  for (const auto& frame : frames) EXPECT_EQ(frame.length, 7);
  const auto file = WritePcap(frames);
  const auto lines = testing_support::TsharkFields(file, {"frame.protocols", "bacnet.mesgtyp"});
  ASSERT_TRUE(lines);
  ASSERT_EQ(lines->size(), frames.size());
  for (const auto& line : *lines) EXPECT_EQ(line, "arcnet:llc:bacnet\t0x00");
  EXPECT_EQ(testing_support::TsharkMalformedFrames(file), std::vector<int>{});
}

}  // namespace
