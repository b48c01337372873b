// The receive window on the fake backend, with the scripted adapter library
// behind the capture thread.
#include "receive/rx_dlg.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "capture/capture_files.h"
#include "capture/capture_state.h"
#include "res/resource.h"
#include "res/templates.h"
#include "tests/app/app_harness.h"
#include "tests/capture/frame_files.h"
#include "tests/support/fault_injection.h"

namespace {

using namespace testing_support;
using namespace ui::automation;
constexpr int kRx = IDD_RECEIVE;

class RxDlgTest : public AppTest {
 protected:
  // Runs a receive window as the only window while `driver` works it.
  void RunWindow(const std::function<void()>& driver,
                 CRxDlg::ThreadStarter start = platform::StartThread) {
    RunScenario(
        [start] {
          CWinApp app(res::Resources(), "Tarnwick");
          CRxDlg dlg(start);
          dlg.DoModal();
        },
        [&] {
          ASSERT_TRUE(WaitForWindow(kRx));
          driver();
        });
  }
  static void ExpectButtons(bool start, bool stop, bool reset) {
    EXPECT_EQ(IsEnabled(kRx, IDC_START), start);
    EXPECT_EQ(IsEnabled(kRx, IDC_STOP), stop);
    EXPECT_EQ(IsEnabled(kRx, IDC_RESET), reset);
  }
  static void StartCapture() {
    ASSERT_TRUE(Click(kRx, IDC_START));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_STOP); }));
  }
  // Stop waits for the capture thread to end, serving UI work meanwhile.
  static void StopCapture() {
    ASSERT_TRUE(Click(kRx, IDC_STOP));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_START); }));
  }
  // Frames with waiting counts n-1 .. 0, delivered in one wake-up.
  static void Deliver(int n) {
    std::vector<ScriptedReceive> frames;
    for (int i = n - 1; i >= 0; --i)
      frames.push_back(FrameReceive(0x10, 0x20, static_cast<std::uint16_t>(i * 3),
                                    static_cast<std::uint32_t>(i)));
    ScriptedLibrary::Get().QueueReceives(frames);
    ASSERT_TRUE(ScriptedLibrary::Get().SignalWakeEvent());
  }
  static bool CountShows(const std::string& text) {
    return WaitUntil([&] { return Text(kRx, IDC_RX_COUNT) == text; });
  }
};

TEST_F(RxDlgTest, ButtonsAndCountFollowStartStopAndReset) {
  ReceivedCount = 99;
  RunWindow([] {
    EXPECT_EQ(Text(kRx, IDC_RX_COUNT), "0");
    ExpectButtons(true, false, false);
    StartCapture();
    ExpectButtons(false, true, false);
    Deliver(3);
    EXPECT_TRUE(CountShows("3"));
    StopCapture();
    ExpectButtons(true, false, true);
    EXPECT_EQ(Text(kRx, IDC_RX_COUNT), "3");

    // A second capture: the old count stays until the first frame shows 1.
    StartCapture();
    EXPECT_EQ(Text(kRx, IDC_RX_COUNT), "3");
    Deliver(1);
    EXPECT_TRUE(CountShows("1"));
    Type(kRx, IDC_RX_COUNT, "typed");  // the box takes typing; the next frame overwrites it
    Deliver(1);
    EXPECT_TRUE(CountShows("2"));
    StopCapture();
    ASSERT_TRUE(Click(kRx, IDC_RESET));
    EXPECT_TRUE(CountShows("0"));
    Click(kRx, IDOK);
  });
  EXPECT_EQ(ReceivedCount, 0);
  EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), 2u);
}

// However the window is closed during a capture, the thread has ended and
// both files are complete by the time the window is gone.
TEST_F(RxDlgTest, ClosingDuringACaptureEndsItWithBothFilesComplete) {
  const std::function<void()> closers[] = {
      [] { Click(kRx, IDOK); },
      [] { PressEnter(kRx); },
      [] { PressEscape(kRx); },
      [] { PressCloseBox(kRx); },
  };
  for (const auto& close : closers) {
    ScriptedLibrary::Get().Reset();
    RunWindow([&] {
      StartCapture();
      Deliver(5);
      EXPECT_TRUE(CountShows("5"));
      close();
      ASSERT_TRUE(WaitForNoWindow(kRx));
      EXPECT_EQ(CaptureFinished, 1);
      EXPECT_EQ(CaptureRunning, 0);
    });
    EXPECT_EQ(ScriptedLibrary::Get().CallTrace().back(), "Com20020ResetWakeOnReceive");
    EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), 5u);
    const std::string text = ReadTextFile(kTextDumpFileName);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
  }
}

TEST_F(RxDlgTest, UnopenableFilesAreReportedDuringTheStartWait) {
  std::filesystem::create_directory(kCaptureFileName);
  RunWindow([] {
    ASSERT_TRUE(Click(kRx, IDC_START));
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    // Then the file, and why in the system's words.
    EXPECT_TRUE(box->text.starts_with("Unable to open log file\ntarnwick.pcap: ")) << box->text;
    EXPECT_EQ(box->caption, "File Open Error");
    EXPECT_EQ(box->flags, kMbOk | kMbIconExclamation);
    EXPECT_EQ(box->ownerTemplate, kRx);
    AnswerMessageBox(kIdOk);
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_STOP); }));
    ExpectButtons(false, true, false);
    StopCapture();
    ExpectButtons(true, false, true);
    Click(kRx, IDOK);
  });
  EXPECT_TRUE(ScriptedLibrary::Get().Calls().empty());
}

// A file that fails ends the capture as Stop does, without the operator:
// the window says why and takes a new Start once there is room.
TEST_F(RxDlgTest, AFileThatFailsStopsTheCaptureAndSaysWhy) {
  SKIP_WITHOUT_FILE_SIZE_LIMIT();
  RunWindow([] {
    {
      FileSizeLimit fileSize(2000);  // room for the text of 9 frames of 41 bytes
      StartCapture();
      for (int i = 0; i < 3; ++i) {
        ScriptedLibrary::Get().QueueReceives(
            {FrameReceive(1, 2, 41, 2), FrameReceive(1, 2, 41, 1), FrameReceive(1, 2, 41, 0)});
        ScriptedLibrary::Get().SignalWakeEvent();
        ASSERT_TRUE(WaitUntil([] { return ScriptedLibrary::Get().QueuedReceives() == 0; }));
      }
      ScriptedLibrary::Get().QueueReceives({FrameReceive(1, 2, 41, 0)});
      ScriptedLibrary::Get().SignalWakeEvent();
      const auto box = WaitForMessageBox();
      ASSERT_TRUE(box.has_value());
      EXPECT_EQ(box->text.substr(0, box->text.find('\n')),
                "Unable to write log file tarnwick.tmp: File too large.");
      EXPECT_EQ(box->caption, "File Write Error");
      EXPECT_EQ(box->flags, kMbOk | kMbIconExclamation);
      EXPECT_EQ(box->ownerTemplate, kRx);
      ExpectButtons(true, false, true);
      EXPECT_EQ(Text(kRx, IDC_RX_COUNT), "10");
      AnswerMessageBox(kIdOk);
    }
    ASSERT_TRUE(WaitForWindow(kRx));
    StartCapture();
    Deliver(2);
    EXPECT_TRUE(CountShows("2"));
    StopCapture();
    Click(kRx, IDOK);
  });
  EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), 2u);
  EXPECT_EQ(ui::fake::MessageBoxesShown().size(), 1u);
}

TEST_F(RxDlgTest, AThreadThatCannotStartLeavesTheButtonsAsTheyWere) {
  RunWindow(
      [] {
        ASSERT_TRUE(Click(kRx, IDC_START));
        EXPECT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_START); }));
        ExpectButtons(true, false, false);
        Click(kRx, IDOK);
      },
      [](platform::ThreadFunction, void*) { return false; });
  EXPECT_TRUE(ScriptedLibrary::Get().Calls().empty());
}

TEST_F(RxDlgTest, TheMainWindowOpensItOnlyOnLineAndDisconnectsOnlyAfterIt) {
  RunProgram([] {
    EXPECT_FALSE(Click(IDD_TARNWICK_DIALOG, IDC_RECEIVE));
    ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_TARNWICK_DIALOG, IDC_RECEIVE); }));
    ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_RECEIVE));
    ASSERT_TRUE(WaitForWindow(kRx));
    EXPECT_FALSE(Click(IDD_TARNWICK_DIALOG, IDC_CONNECT));  // blocked by the receive window
    StartCapture();
    PressEscape(kRx);
    ASSERT_TRUE(WaitForWindow(IDD_TARNWICK_DIALOG));
    PressEscape(IDD_TARNWICK_DIALOG);
  });
  const auto trace = ScriptedLibrary::Get().CallTrace();
  ASSERT_GE(trace.size(), 2u);
  EXPECT_EQ(trace[trace.size() - 2], "Com20020ResetWakeOnReceive");
  EXPECT_EQ(trace.back(), "Com20020Exit");
}

}  // namespace
