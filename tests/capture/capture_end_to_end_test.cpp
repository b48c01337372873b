// The whole road on the fake backend with the stand-in library: connect,
// capture the simulated network for a while, stop, and compare what the
// window counted with what both files hold and what tshark reads.
#include <gtest/gtest.h>
#include <sstream>

#include "capture/capture_files.h"
#include "platform/environment.h"
#include "receive/receive_thread.h"
#include "tests/app/app_harness.h"
#include "tests/capture/frame_files.h"
#include "tests/support/fault_injection.h"
#include "tests/support/tshark.h"

namespace {

using namespace testing_support;
using namespace ui::automation;

// The data bytes of every block of the text dump, in order.
std::vector<std::string> TextDumpData(const std::string& dump) {
  std::vector<std::string> frames;
  std::istringstream in(dump);
  for (std::string line; std::getline(in, line);) {
    if (line == "Received Packet:") frames.emplace_back();
    if (line.size() > 6 && line[0] == '[') {
      std::istringstream bytes(line.substr(6));
      for (unsigned byte; bytes >> std::hex >> byte;) frames.back() += static_cast<char>(byte);
    }
  }
  return frames;
}

class CaptureEndToEndTest : public ProgramTest {
 protected:
  CaptureEndToEndTest() {
    platform::SetEnv("PONDEL_SIM_RATE", "2000");
    platform::SetEnv("PONDEL_SIM_SEED", "7");
  }
  ~CaptureEndToEndTest() override {
    platform::UnsetEnv("PONDEL_SIM_RATE");
    platform::UnsetEnv("PONDEL_SIM_SEED");
  }

  // From the main window: connect, open the receive window and capture until
  // the count box shows at least `frames`.
  static void CaptureAtLeast(int frames) {
    ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_TARNWICK_DIALOG, IDC_RECEIVE); }));
    ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_RECEIVE));
    ASSERT_TRUE(WaitForWindow(IDD_RECEIVE));
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_START));
    ASSERT_TRUE(WaitUntil([&] { return std::stoi(Text(IDD_RECEIVE, IDC_RX_COUNT)) >= frames; }));
  }
  // Stops the capture, keeps what the count box then shows, and closes both
  // windows.
  static void StopAndExit(std::string& shown) {
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_STOP));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_START); }));
    shown = Text(IDD_RECEIVE, IDC_RX_COUNT);
    Click(IDD_RECEIVE, IDOK);
    ASSERT_TRUE(WaitForWindow(IDD_TARNWICK_DIALOG));
    PressEscape(IDD_TARNWICK_DIALOG);
  }
};

TEST_F(CaptureEndToEndTest, CountBoxFilesAndTsharkAgreeFrameForFrame) {
  std::string shown;
  RunProgram([&] {
    CaptureAtLeast(300);
    StopAndExit(shown);
  });

  const auto records = PcapRecords(ReadFile(kCaptureFileName));
  const auto blocks = TextDumpData(ReadTextFile(kTextDumpFileName));
  ASSERT_GE(records.size(), 300u);
  EXPECT_EQ(shown, std::to_string(records.size()));
  ASSERT_EQ(blocks.size(), records.size());
  for (std::size_t i = 0; i < records.size(); ++i)
    ASSERT_EQ(records[i].bytes.substr(4), blocks[i]) << "frame " << i;

  SKIP_WITHOUT_TSHARK();
  const auto lines = TsharkFields(kCaptureFileName, {"frame.protocols"});
  ASSERT_TRUE(lines.has_value());
  EXPECT_EQ(lines->size(), records.size());
  for (const auto& protocols : *lines) EXPECT_EQ(protocols.rfind("arcnet:llc:bacnet", 0), 0u);
  EXPECT_EQ(TsharkMalformedFrames(kCaptureFileName), std::vector<int>{});
}

// A disk that fills for a moment: the capture stops at once with every
// frame it wrote whole, the operator is told, and once the space is back a
// new capture runs as usual.
TEST_F(CaptureEndToEndTest, ADiskThatFillsStopsTheCaptureWithWholeFilesUntilThereIsRoom) {
  SmallFilesystem disk(1 << 20);
  SKIP_WITHOUT_SMALL_FILESYSTEM(disk);
  // Where tshark is not at hand (under Wine test-windows.sh has it read the
  // files), the whole records are counted here.
  if (TsharkRequired()) SKIP_WITHOUT_TSHARK();
  const bool tshark = TsharkAvailable();
  ScopedCurrentDir onDisk(disk.path());
  std::string shown;
  RunProgram([&] {
    CaptureAtLeast(100);
    disk.Fill("ballast");
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_TRUE(box->text.starts_with("Unable to write log file tarnwick.")) << box->text;
    EXPECT_NE(box->text.find(": " + DiskFullText() + ".\n"), std::string::npos) << box->text;
    shown = Text(IDD_RECEIVE, IDC_RX_COUNT);
    EXPECT_NE(box->text.find("The capture has stopped after " + shown + " frames."),
              std::string::npos);
    EXPECT_TRUE(IsEnabled(IDD_RECEIVE, IDC_START));
    AnswerMessageBox(kIdOk);

    // Whole records on disk, however the write was cut.
    const auto records = PcapRecords(ReadFile(kCaptureFileName));
    if (tshark) {
      const auto lines = TsharkFields(kCaptureFileName, {"frame.number"});
      ASSERT_TRUE(lines.has_value()) << "tshark calls the file damaged";
      EXPECT_EQ(lines->size(), records.size());
    }
    EXPECT_GE(records.size(), 100u);
    EXPECT_LE(records.size(), std::stoul(shown));
    const std::string text = ReadTextFile(kTextDumpFileName);
    EXPECT_LE(TextDumpData(text).size(), std::stoul(shown));
    EXPECT_TRUE(text.empty() || text.ends_with("\n\n"));

    std::filesystem::remove("ballast");
    ASSERT_TRUE(WaitForWindow(IDD_RECEIVE));
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_START));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_STOP); }));
    ASSERT_TRUE(WaitUntil([] { return std::stoi(Text(IDD_RECEIVE, IDC_RX_COUNT)) >= 100; }));
    StopAndExit(shown);
  });
  EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), std::stoul(shown));
  if (tshark) {
    EXPECT_EQ(TsharkMalformedFrames(kCaptureFileName), std::vector<int>{});
  }
}

}  // namespace
