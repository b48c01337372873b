// The capture thread against the scripted adapter library: the calls it
// makes, the frames it writes, and how it ends.
#include "receive/receive_thread.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

#include "capture/capture_files.h"
#include "capture/capture_state.h"
#include "platform/thread.h"
#include "tests/capture/frame_files.h"
#include "tests/support/fault_injection.h"
#include "tests/support/scripted_library.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
using namespace std::chrono_literals;

// The receive window as the thread sees it.
class RecordingWindow : public CaptureFrontEnd {
 public:
  void PublishCount(std::int32_t count) override {
    std::lock_guard lock(mutex_);
    counts_.push_back(count);
  }
  void ShowOpenFailure(const std::string&) override { ++openFailures_; }
  void ReportCaptureEnded(const CaptureEnd& end) override {
    std::lock_guard lock(mutex_);
    writeFailures_.push_back(end.message);
    finishedWhenReported_ = CaptureFinished == 1;
  }

  std::vector<std::int32_t> counts() {
    std::lock_guard lock(mutex_);
    return counts_;
  }
  std::vector<std::string> writeFailures() {
    std::lock_guard lock(mutex_);
    return writeFailures_;
  }
  std::atomic<int> openFailures_{0};
  bool finishedWhenReported_ = false;

 private:
  std::mutex mutex_;
  std::vector<std::int32_t> counts_;
  std::vector<std::string> writeFailures_;
};

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 1000 && !condition(); ++i) std::this_thread::sleep_for(5ms);
  return condition();
}

class ReceiveThreadTest : public ::testing::Test {
 protected:
  ReceiveThreadTest() {
    library().Reset();
    library().SetIndexedRegister(2, 0x01);  // Setup 1 with receive-all clear
  }

  static ScriptedLibrary& library() { return ScriptedLibrary::Get(); }

  // Starts a capture and waits until it runs (or has ended).
  void Start() {
    CaptureRunning = 0;
    CaptureFinished = 0;
    ASSERT_TRUE(platform::StartThread(ReceiveThread, static_cast<CaptureFrontEnd*>(&window_)));
    ASSERT_TRUE(WaitFor([] { return CaptureRunning == 1 || CaptureFinished == 1; }));
  }
  // Hands the frames to the thread as the adapter would: queued, then
  // woken; returns once the thread has taken them all.
  void Deliver(std::vector<ScriptedReceive> receives) {
    library().QueueReceives(std::move(receives));
    ASSERT_TRUE(library().SignalWakeEvent());
    ASSERT_TRUE(WaitFor([] { return library().QueuedReceives() == 0; }));
  }
  void Stop() {
    CaptureRunning = 0;
    ASSERT_TRUE(WaitFor([] { return CaptureFinished == 1; }));
  }

  TempDir dir_;
  ScopedCurrentDir cwd_{dir_.path()};
  RecordingWindow window_;
};

TEST_F(ReceiveThreadTest, OneCaptureMakesItsCallsInOrderAndRestoresSetup1) {
  Start();
  Deliver({FrameReceive(1, 2, 41, 1), FrameReceive(3, 0, 508, 0)});
  ASSERT_TRUE(WaitFor([this] { return window_.counts().size() == 2; }));
  Stop();

  const std::vector<std::string> expected = {
      "Com20020WakeOnReceive",
      "Com20020Register(w5=02)",  // Setup 1 ...
      "Com20020Register(r7)",    "Com20020Register(w5=02)",
      "Com20020Register(w7=11)",  // ... with receive-all
      "Com20020FlushRX",         "Com20020Receive",
      "Com20020Receive",
      "Com20020Register(w5=02)",  // Setup 1 as it was
      "Com20020Register(w7=01)", "Com20020ResetWakeOnReceive",
  };
  EXPECT_EQ(library().CallTrace(), expected);
  EXPECT_EQ(library().IndexedRegister(2), 0x01);
  EXPECT_EQ(window_.counts(), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(ReceivedCount, 2);

  const auto records = PcapRecords(ReadFile(kCaptureFileName));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].includedLength, 45u);
  EXPECT_EQ(records[1].includedLength, 512u);
  const std::string text = ReadTextFile(kTextDumpFileName);
  EXPECT_EQ(text.find("Received Packet:\n\nSource ID: 01\nDestination ID: 02\nPacket Length: 029"),
            0u);
  EXPECT_NE(text.find("Source ID: 03\nDestination ID: 00\nPacket Length: 1fc"), std::string::npos);
}

TEST_F(ReceiveThreadTest, AFailedSetup1ReadLeavesTheControllerAlone) {
  library().SetRegisterReadFails(true);
  Start();
  Stop();
  const std::vector<std::string> expected = {
      "Com20020WakeOnReceive", "Com20020Register(w5=02)",    "Com20020Register(r7)",
      "Com20020FlushRX",       "Com20020ResetWakeOnReceive",
  };
  EXPECT_EQ(library().CallTrace(), expected);
  EXPECT_EQ(library().IndexedRegister(2), 0x01);
  EXPECT_EQ(ReadFile(kCaptureFileName).size(), 24u);  // the capture still ran
}

TEST_F(ReceiveThreadTest, EmptyFramesAndFailedReceivesAreHandledAsTheLibrarySays) {
  Start();
  ScriptedReceive failed = FrameReceive(9, 9, 100, 0);
  failed.result = 5;  // nothing copied, nothing waiting
  Deliver({failed});
  Deliver({FrameReceive(7, 8, 0, 0)});
  ASSERT_TRUE(WaitFor([this] { return window_.counts().size() == 1; }));
  Stop();
  EXPECT_EQ(window_.counts(), std::vector<std::int32_t>{1});
  const auto pcap = ReadFile(kCaptureFileName);
  ASSERT_EQ(pcap.size(), 24u + 20u);
  EXPECT_EQ(PcapRecords(pcap)[0].includedLength, 4u);
  EXPECT_EQ(ReadTextFile(kTextDumpFileName),
            "Received Packet:\n\nSource ID: 07\nDestination ID: 08\nPacket Length: 000\n\n");
}

TEST_F(ReceiveThreadTest, StopDuringADrainTakesEffectOnlyWhenNothingIsWaiting) {
  Start();
  library().OnReceive([](int call) {
    if (call == 1) CaptureRunning = 0;  // Stop arrives with four still waiting
  });
  std::vector<ScriptedReceive> burst;
  for (std::uint32_t waiting = 4;; --waiting) {
    burst.push_back(FrameReceive(1, 2, 10, waiting));
    if (waiting == 0) break;
  }
  library().QueueReceives(burst);
  ASSERT_TRUE(library().SignalWakeEvent());
  ASSERT_TRUE(WaitFor([] { return CaptureFinished == 1; }));
  EXPECT_EQ(window_.counts().size(), 5u);
  EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), 5u);
}

TEST_F(ReceiveThreadTest, FilesThatCannotBeCreatedAreReportedAndTouchNothing) {
  for (const char* blocked : {kCaptureFileName, kTextDumpFileName}) {
    library().Reset();
    std::filesystem::remove(kCaptureFileName);
    std::filesystem::remove(kTextDumpFileName);
    std::filesystem::create_directory(blocked);  // no open succeeds, not even as root
    window_.openFailures_ = 0;
    Start();
    EXPECT_EQ(CaptureFinished, 1);
    EXPECT_EQ(CaptureRunning, 0);
    EXPECT_EQ(window_.openFailures_, 1);
    EXPECT_TRUE(library().Calls().empty()) << blocked;  // no event, controller untouched
    std::filesystem::remove_all(blocked);
  }
}

TEST_F(ReceiveThreadTest, ASecondCaptureStartsBothFilesAfresh) {
  Start();
  Deliver({FrameReceive(1, 2, 30, 1), FrameReceive(1, 2, 30, 0)});
  ASSERT_TRUE(WaitFor([this] { return window_.counts().size() == 2; }));
  Stop();
  Start();
  EXPECT_EQ(ReceivedCount, 0);
  Deliver({FrameReceive(5, 6, 3, 0)});
  ASSERT_TRUE(WaitFor([this] { return window_.counts().size() == 3; }));
  Stop();
  EXPECT_EQ(window_.counts().back(), 1);
  EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), 1u);
  EXPECT_EQ(ReadTextFile(kTextDumpFileName).find("Received Packet:", 1), std::string::npos);
}

// The text dump grows faster than the capture file: under a file-size
// limit it fails first, and alone.
TEST_F(ReceiveThreadTest, AFileThatFailsEndsTheCaptureAsStopDoesWithWholeRecords) {
  SKIP_WITHOUT_FILE_SIZE_LIMIT();
  const auto fiveFrames = [] {
    std::vector<ScriptedReceive> frames;
    for (std::uint32_t waiting = 5; waiting-- > 0;)
      frames.push_back(FrameReceive(1, 2, 41, waiting));
    return frames;
  };
  {
    FileSizeLimit fileSize(2000);  // 9 text blocks of 215 bytes, 32 pcap records
    Start();
    Deliver(fiveFrames());
    Deliver(fiveFrames());
    ASSERT_TRUE(WaitFor([] { return CaptureFinished == 1; }));
  }
  library().QueueReceives(fiveFrames());
  EXPECT_FALSE(library().SignalWakeEvent());  // the library no longer wakes anyone

  EXPECT_EQ(CaptureRunning, 0);
  EXPECT_EQ(window_.counts().size(), 10u);
  const auto trace = library().CallTrace();
  const std::vector<std::string> end(trace.end() - 3, trace.end());
  EXPECT_EQ(end, (std::vector<std::string>{"Com20020Register(w5=02)", "Com20020Register(w7=01)",
                                           "Com20020ResetWakeOnReceive"}));
  const std::string expected =
      "Unable to write log file tarnwick.tmp: File too large.\n"
      "The capture has stopped after 10 frames.\n\n"
      "tarnwick.pcap holds all of them, tarnwick.tmp holds the first 9, each frame whole, in " +
      std::filesystem::current_path().string() + ".";
  EXPECT_EQ(window_.writeFailures(), std::vector<std::string>{expected});
  EXPECT_FALSE(window_.finishedWhenReported_);

  EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), 10u);
  const std::string text = ReadFile(kTextDumpFileName);
  EXPECT_EQ(text.size(), 9 * 215u);
  EXPECT_EQ(text.rfind("Received Packet:"), 8 * 215u);
}

TEST_F(ReceiveThreadTest, ACaptureFileThatTakesNothingEndsBeforeTheControllerIsTouched) {
  const SmallFilesystem disk(64 * 1024);
  SKIP_WITHOUT_FULL_FILE(disk);
  std::filesystem::create_symlink(disk.FullFile(), kCaptureFileName);
  Start();
  EXPECT_EQ(CaptureFinished, 1);
  EXPECT_EQ(CaptureRunning, 0);
  EXPECT_TRUE(library().Calls().empty());
  EXPECT_EQ(window_.writeFailures(),
            std::vector<std::string>{"Unable to write log file tarnwick.pcap: No space left on "
                                     "device.\nThe capture has stopped."});
  EXPECT_TRUE(std::filesystem::exists(kTextDumpFileName));
  EXPECT_EQ(std::filesystem::file_size(kTextDumpFileName), 0u);
}

TEST_F(ReceiveThreadTest, ALibraryThatRefusesTheEventIsAskedEverySlice) {
  library().SetWakeOnReceiveResult(9025);
  Start();
  library().QueueReceives({FrameReceive(1, 2, 10, 1), FrameReceive(1, 2, 10, 0)});
  ASSERT_TRUE(WaitFor([] { return library().QueuedReceives() == 0; }));
  Stop();
  EXPECT_EQ(window_.counts(), (std::vector<std::int32_t>{1, 2}));
  EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), 2u);
}

TEST(ReceivedCountTest, StopsAtItsLargestValue) {
  ReceivedCount = std::numeric_limits<std::int32_t>::max() - 1;
  EXPECT_EQ(CountReceivedFrame(), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(CountReceivedFrame(), std::numeric_limits<std::int32_t>::max());
  ReceivedCount = 0;
}

}  // namespace
