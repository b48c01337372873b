// The capture core's scenarios, run once per front end: Tarnwick's own
// windows (connect, receive window, Start) and tarnwick-extcap (the capture
// into a FIFO that the test reads as Wireshark would). Each is brought on
// line from the same settings file and driven against the scripted library;
// each must hand on every frame whole, make the same calls, and put the
// controller back and the adapter off line however its capture ends.
#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "capture/capture_files.h"
#include "capture/capture_state.h"
#include "extcap/extcap_main.h"
#include "tests/app/app_harness.h"
#include "tests/capture/frame_files.h"
#include "tests/support/fault_injection.h"

namespace {

using namespace testing_support;
using namespace ui::automation;

ScriptedLibrary& Library() {
  return ScriptedLibrary::Get();
}

// Polls on this thread, with or without the program's windows.
bool Eventually(const std::function<bool()>& condition) {
  for (int i = 0; i < 2000 && !condition(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return condition();
}

// Hands frames to the capture as the adapter would, in one wake-up; returns
// once all were taken.
void Deliver(const std::vector<ScriptedReceive>& frames) {
  Library().QueueReceives(frames);
  ASSERT_TRUE(Library().SignalWakeEvent());
  ASSERT_TRUE(Eventually([] { return Library().QueuedReceives() == 0; }));
}

std::vector<ScriptedReceive> Frames(std::uint32_t count, std::uint8_t seed) {
  std::vector<ScriptedReceive> frames;
  for (std::uint32_t waiting = count; waiting-- > 0;)
    frames.push_back(
        FrameReceive(seed, 2, static_cast<std::uint16_t>(7 + waiting * 50), waiting, seed));
  return frames;
}

// Tarnwick's windows on the fake backend.
class ReceiveWindow {
 public:
  static std::vector<std::string> WaysOut() { return {"Stop", "Escape", "a file that fails"}; }

  // Connects, opens the receive window and starts; runs `whileCapturing`;
  // ends the capture the `way` given, closes both windows.
  void Capture(const std::function<void()>& whileCapturing, const std::string& way) {
    ProgramTest::RunProgram([&] {
      ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_CONNECT));
      ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_RECEIVE));
      ASSERT_TRUE(WaitForWindow(IDD_RECEIVE));
      ASSERT_TRUE(Click(IDD_RECEIVE, IDC_START));
      ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_STOP); }));
      whileCapturing();
      if (way == "Stop") {
        ASSERT_TRUE(Click(IDD_RECEIVE, IDC_STOP));
        ASSERT_TRUE(Click(IDD_RECEIVE, IDOK));
      } else if (way == "Escape") {
        ASSERT_TRUE(PressEscape(IDD_RECEIVE));
      } else {
        FileSizeLimit fileSize(1000);
        Library().QueueReceives(Frames(20, 9));
        Library().SignalWakeEvent();
        ASSERT_TRUE(WaitForMessageBox().has_value());
        AnswerMessageBox(kIdOk);
        ASSERT_TRUE(Click(IDD_RECEIVE, IDOK));
      }
      ASSERT_TRUE(WaitForWindow(IDD_TARNWICK_DIALOG));
      ASSERT_TRUE(PressEscape(IDD_TARNWICK_DIALOG));
    });
  }

  std::string Output() const { return ReadFile(kCaptureFileName); }
};

// tarnwick-extcap, run as Wireshark runs it, on a thread of the test.
class ExtcapProgram {
 public:
  static std::vector<std::string> WaysOut() {
    return {"SIGTERM",
            "SIGINT",
            "the reader closing the FIFO",
            "a write the reader left",
            "Stop on the toolbar",
            "the end of the control pipe"};
  }

  void Capture(const std::function<void()>& whileCapturing, const std::string& way) {
    const bool toolbar =
        way.find("toolbar") != std::string::npos || way.find("control") != std::string::npos;
    for (const char* pipe : {"fifo", "control-in", "control-out"}) mkfifo(pipe, 0600);
    std::vector<std::string> args = {"--capture", "--extcap-interface", "tarnwick-arcnet-usb",
                                     "--fifo", "fifo"};
    if (toolbar)
      args.insert(args.end(),
                  {"--extcap-control-in", "control-in", "--extcap-control-out", "control-out"});
    std::ostringstream err;
    int exitStatus = -1;
    std::atomic<bool> ended{false};
    std::thread program([&] {
      const std::vector<std::string_view> views(args.begin(), args.end());
      exitStatus = ExtcapMain(views, std::cout, err);
      ended = true;
    });
    // Wireshark's side: the FIFO's reader, then the control pipes in the
    // program's order.
    const int fifo = open("fifo", O_RDONLY | O_CLOEXEC);
    const int toProgram = toolbar ? open("control-in", O_WRONLY | O_CLOEXEC) : -1;
    const int fromProgram = toolbar ? open("control-out", O_RDONLY | O_CLOEXEC) : -1;
    std::atomic<bool> leave{false};
    std::thread reader([&] { Read(fifo, leave); });
    EXPECT_TRUE(Eventually([] { return CaptureRunning == 1; }));
    whileCapturing();
    // Every frame taken has reached the reader, whole.
    ASSERT_TRUE(
        Eventually([this] { return PcapRecords(Output()).size() == std::size_t(ReceivedCount); }));
    if (toolbar) {
      char status[256];
      const ssize_t n = read(fromProgram, status, sizeof status);
      EXPECT_NE(std::string(status, n > 0 ? std::size_t(n) : 0).find("on line as node 9"),
                std::string::npos);
    }

    if (way == "SIGTERM" || way == "SIGINT") {
      kill(getpid(), way == "SIGTERM" ? SIGTERM : SIGINT);
    } else if (way == "Stop on the toolbar") {
      const char click[] = {'T', 0, 0, 2, 0, 1};  // control 0, command Set
      EXPECT_EQ(write(toProgram, click, sizeof click), 6);
    } else if (way == "the end of the control pipe") {
      close(toProgram);
    } else {
      leave = true;
      reader.join();
      close(fifo);
      if (way == "a write the reader left") {
        Library().QueueReceives(Frames(3, 7));
        Library().SignalWakeEvent();
      }
    }
    if (!Eventually([&] { return ended.load(); })) {
      ADD_FAILURE() << "the capture did not end";
      CaptureRunning = 0;  // so that it does, and the test can
    }
    program.join();
    if (reader.joinable()) reader.join();
    for (const int fd : {way.find("reader") == std::string::npos ? fifo : -1, fromProgram,
                         way == "Stop on the toolbar" ? toProgram : -1})
      if (fd >= 0) close(fd);
    EXPECT_EQ(exitStatus, 0) << err.str();
  }

  std::string Output() const {
    std::lock_guard lock(mutex_);
    return output_;
  }

 private:
  // Reads the FIFO to its end, or until told to leave it.
  void Read(int fifo, const std::atomic<bool>& leave) {
    char piece[4096];
    while (!leave) {
      pollfd p{fifo, POLLIN, 0};
      if (poll(&p, 1, 10) != 1) continue;
      const ssize_t n = read(fifo, piece, sizeof piece);
      if (n <= 0) return;
      std::lock_guard lock(mutex_);
      output_.append(piece, static_cast<std::size_t>(n));
    }
  }

  mutable std::mutex mutex_;
  std::string output_;
};

template <typename FrontEnd>
class CaptureFrontEndTest : public AppTest {
 protected:
  CaptureFrontEndTest() {
    // The same settings for both: a local USB adapter, each field away from
    // its default.
    WriteSettings("DeviceNumber=1\nDataRate=7\nTimeouts=2\nNodeID=9\n128NAKs=1\n");
    Library().SetIndexedRegister(2, 0x01);  // Setup 1, receive-all clear
  }

  FrontEnd frontEnd_;
};

using FrontEnds = ::testing::Types<ReceiveWindow, ExtcapProgram>;
TYPED_TEST_SUITE(CaptureFrontEndTest, FrontEnds);

TYPED_TEST(CaptureFrontEndTest, EveryFrameOutWholeAndTheCallsOfOneCapture) {
  const std::vector<ScriptedReceive> first = {FrameReceive(3, 21, 0, 2),
                                              FrameReceive(21, 3, 508, 1),
                                              FrameReceive(64, 0, 600, 0)};  // claims too much
  const std::vector<ScriptedReceive> second = Frames(4, 5);
  this->frontEnd_.Capture(
      [&] {
        Deliver(first);
        Deliver(second);
      },
      TypeParam::WaysOut().front());

  std::vector<ScriptedReceive> in = first;
  in.insert(in.end(), second.begin(), second.end());
  const auto out = PcapRecords(this->frontEnd_.Output());
  ASSERT_EQ(out.size(), in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const ArcnetFrame& frame = in[i].frame;
    const std::size_t captured = std::min<std::size_t>(frame.length, kArcnetMaxData);
    const std::string header = {
        static_cast<char>(frame.source), static_cast<char>(frame.destination),
        static_cast<char>(frame.length & 0xFF), static_cast<char>(frame.length >> 8)};
    EXPECT_EQ(out[i].bytes, header + std::string(frame.data, frame.data + captured)) << i;
    EXPECT_EQ(out[i].originalLength, frame.length + 4u) << i;
  }

  std::vector<std::string> expected = {
      "Com20020Init",         "Com20020WakeOnReceive",   "Com20020Register(w5=02)",
      "Com20020Register(r7)", "Com20020Register(w5=02)", "Com20020Register(w7=11)",
      "Com20020FlushRX"};
  expected.insert(expected.end(), in.size(), "Com20020Receive");
  expected.insert(expected.end(), {"Com20020Register(w5=02)", "Com20020Register(w7=01)",
                                   "Com20020ResetWakeOnReceive", "Com20020Exit"});
  EXPECT_EQ(Library().CallTrace(), expected);
  // On line as the settings file says: the Connect button's codes.
  const LibraryCall init = Library().Calls().front();
  EXPECT_EQ(init.block, (std::vector<std::uint8_t>{0, 0, 0, 0x08, 9, 1, 1, 10, 1, 1}));
  EXPECT_EQ(init.deviceNumber, 1);
  EXPECT_EQ(init.adapterKind, kAdapterUsb);
}

TYPED_TEST(CaptureFrontEndTest, TheControllerIsPutBackAndTheAdapterTakenOffLineOnEveryWayOut) {
  for (const std::string& way : TypeParam::WaysOut()) {
    SCOPED_TRACE(way);
    Library().Reset();
    Library().SetIndexedRegister(2, 0x01);
    for (const char* file : {"fifo", "control-in", "control-out"}) std::filesystem::remove(file);
    TypeParam frontEnd;
    frontEnd.Capture([] { Deliver(Frames(3, 1)); }, way);

    EXPECT_EQ(Library().IndexedRegister(2), 0x01);
    const auto trace = Library().CallTrace();
    ASSERT_GE(trace.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(trace.end() - 4, trace.end()),
              (std::vector<std::string>{"Com20020Register(w5=02)", "Com20020Register(w7=01)",
                                        "Com20020ResetWakeOnReceive", "Com20020Exit"}));
    EXPECT_EQ(CaptureFinished, 1);
    // Whole records, however it ended.
    const std::string output = frontEnd.Output();
    std::size_t records = 0, at = 24;
    for (const auto& record : PcapRecords(output)) at += 16 + record.bytes.size(), ++records;
    EXPECT_EQ(at, output.size());
    EXPECT_GE(records, 3u);
  }
}

}  // namespace
