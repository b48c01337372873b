// The program as an operator uses it, written once against the automation
// interface and run on every backend, with the stand-in adapter library.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "capture/capture_files.h"
#include "capture/capture_state.h"
#include "capture/pcap_writer.h"
#include "capture/sample_capture.h"
#include "receive/receive_thread.h"
#include "res/version.h"
#include "tests/capture/frame_files.h"
#include "tests/conformance/program_scenario.h"
#include "tests/support/fault_injection.h"
#include "tests/support/tshark.h"

namespace {

using namespace testing_support;
using namespace ui::automation;
using conformance::kMain;
using conformance::kRx;
using conformance::ProgramScenario;

// Start in the open receive window, refused for `why`; then Stop gives
// Start back.
void ExpectStartRefused(const std::string& why) {
  ASSERT_TRUE(Click(kRx, IDC_START));
  const auto box = WaitForMessageBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "Unable to open log file\n" + why);
  EXPECT_EQ(box->caption, "File Open Error");
  EXPECT_EQ(box->ownerTemplate, kRx);
  ASSERT_TRUE(AnswerMessageBox(kIdOk));
  ASSERT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_STOP); }));
  ASSERT_TRUE(Click(kRx, IDC_STOP));
  ASSERT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_START); }));
}

TEST_F(ProgramScenario, FirstStartConnectAndDisconnect) {
  Run([] {
    EXPECT_EQ(Caption(kMain), TARNWICK_CAPTION);
    EXPECT_EQ(CheckState(kMain, IDC_USB), 1);
    EXPECT_EQ(Text(kMain, IDC_STATUS), "Status: OFFLINE");
    EXPECT_FALSE(IsEnabled(kMain, IDC_NODE_ID_TEXT));
    EXPECT_FALSE(IsEnabled(kMain, IDC_RECEIVE));
    Connect();
    EXPECT_EQ(Text(kMain, IDC_NODE_ID_TEXT), "Node ID: 5");
    EXPECT_EQ(Text(kMain, IDC_CONNECT), "Disconnect");
    EXPECT_FALSE(IsEnabled(kMain, IDC_SETTINGS));
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_STATUS) == "Status: OFFLINE"; }));
    EXPECT_TRUE(IsEnabled(kMain, IDC_SETTINGS));
    ASSERT_TRUE(PressEscape(kMain));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_EQ(std::filesystem::file_size("arcnet.tmp"), 207u);
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

TEST_F(ProgramScenario, SettingsDialogsOpenCancelAndRefuseABadNodeId) {
  Run([] {
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(IDD_LOCAL_SETTINGS));
    EXPECT_EQ(Text(IDD_LOCAL_SETTINGS, IDC_NODE_ID), "5");
    EXPECT_EQ(Selection(IDD_LOCAL_SETTINGS, IDC_DATA_RATE), 4);
    ASSERT_TRUE(Type(IDD_LOCAL_SETTINGS, IDC_NODE_ID, "256"));
    ASSERT_TRUE(PressEnter(IDD_LOCAL_SETTINGS));
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Node ID must be between 1 and 255");
    EXPECT_EQ(box->caption, "Node ID Error");
    EXPECT_EQ(box->ownerTemplate, IDD_LOCAL_SETTINGS);
    ASSERT_TRUE(AnswerMessageBox(kIdOk));
    ASSERT_TRUE(WaitForWindow(IDD_LOCAL_SETTINGS));
    EXPECT_EQ(Text(IDD_LOCAL_SETTINGS, IDC_NODE_ID), "256");
    ASSERT_TRUE(Click(IDD_LOCAL_SETTINGS, IDCANCEL));
    ASSERT_TRUE(WaitForWindow(kMain));

    ASSERT_TRUE(Click(kMain, IDC_VORNEX));
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(IDD_SERVER_SETTINGS));
    EXPECT_EQ(CheckState(IDD_SERVER_SETTINGS, IDC_AUTO_DETECT), 1);
    EXPECT_FALSE(IsEnabled(IDD_SERVER_SETTINGS, IDC_IP_ADDRESS));
    ASSERT_TRUE(PressCloseBox(IDD_SERVER_SETTINGS));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(Click(kMain, IDC_USB));  // back as loaded: nothing to save
    ASSERT_TRUE(Click(kMain, IDOK));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

TEST_F(ProgramScenario, AScreenReaderWorksTheAdapterTypeAndAutoDetect) {
  constexpr int kServer = IDD_SERVER_SETTINGS;
  Run([] {
    ASSERT_TRUE(Activate(kMain, IDC_VORNEX));
    ASSERT_TRUE(WaitUntil([] { return CheckState(kMain, IDC_VORNEX) == 1; }));
    EXPECT_EQ(CheckState(kMain, IDC_USB), 0);
    ASSERT_TRUE(Activate(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(kServer));
    EXPECT_FALSE(IsEnabled(kServer, IDC_IP_ADDRESS));
    // Clearing "Auto-Detect" lets the operator type the address and port.
    ASSERT_TRUE(Activate(kServer, IDC_AUTO_DETECT));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(kServer, IDC_IP_ADDRESS); }));
    EXPECT_TRUE(IsEnabled(kServer, IDC_PORT));
    EXPECT_EQ(CheckState(kServer, IDC_AUTO_DETECT), 0);
    ASSERT_TRUE(Type(kServer, IDC_PORT, "47808"));
    ASSERT_TRUE(Activate(kServer, IDC_AUTO_DETECT));
    ASSERT_TRUE(WaitUntil([] { return !IsEnabled(kServer, IDC_PORT); }));
    EXPECT_EQ(Text(kServer, IDC_PORT), "5001");
    ASSERT_TRUE(Activate(kServer, IDCANCEL));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(Activate(kMain, IDC_USB));  // back as loaded: nothing to save
    ASSERT_TRUE(Activate(kMain, IDOK));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
}

// What a screen reader reads for an edit box or a list: its label, wherever
// the label stands in the template (the Extended Timeouts list follows the
// "Data Rate" text). Buttons and texts are read by their own texts.
TEST_F(ProgramScenario, AScreenReaderReadsEachEditBoxAndListByItsLabel) {
  const auto expectNames = [](int templateId, std::vector<std::pair<int, std::string>> names) {
    ASSERT_TRUE(WaitForWindow(templateId));
    for (const auto& [id, name] : names) EXPECT_EQ(AccessibleName(templateId, id), name) << id;
    ASSERT_TRUE(PressEscape(templateId));
  };
  Run([&] {
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    expectNames(IDD_LOCAL_SETTINGS, {{IDC_NODE_ID, "Node ID (DEC)"},
                                     {IDC_DEVICE_NUMBER, "Device Number"},
                                     {IDC_DATA_RATE, "Data Rate"},
                                     {IDC_TIMEOUTS, "Extended Timeouts"},
                                     {IDC_128NAKS, "128 NAKs"}});
    ASSERT_TRUE(WaitForWindow(kMain) && Click(kMain, IDC_VORNEX) && Click(kMain, IDC_SETTINGS));
    expectNames(IDD_SERVER_SETTINGS,
                {{IDC_IP_ADDRESS, "VORNEX IP Address"}, {IDC_PORT, "TCP Port Number"}});
    ASSERT_TRUE(WaitForWindow(kMain) && Click(kMain, IDC_USB));
    Connect();
    ASSERT_TRUE(Click(kMain, IDC_RECEIVE));
    expectNames(kRx, {{IDC_RX_COUNT, "Received Packets"}, {IDC_START, "Start"}});
    ASSERT_TRUE(WaitForWindow(kMain) && PressEscape(kMain));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
}

TEST_F(ProgramScenario, AboutBoxFromTheSystemMenu) {
  Run([] {
    const auto menu = SystemMenuItems(kMain);
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[1].text, "&About Tarnwick...");
    ASSERT_TRUE(SystemCommand(kMain, menu[1].command));
    ASSERT_TRUE(WaitForWindow(IDD_ABOUTBOX));
    EXPECT_EQ(Caption(IDD_ABOUTBOX), "About Tarnwick");
    ASSERT_TRUE(PressEnter(IDD_ABOUTBOX));
    ASSERT_TRUE(WaitForWindow(kMain));
    PressEscape(kMain);
  });
}

TEST_F(ProgramScenario, CaptureTheSimulatedNetworkWithStartStopResetAndExit) {
  std::string shown;
  Run([&] {
    Connect();
    ASSERT_TRUE(Click(kMain, IDC_RECEIVE));
    ASSERT_TRUE(WaitForWindow(IDD_RECEIVE));
    EXPECT_EQ(Text(IDD_RECEIVE, IDC_RX_COUNT), "0");
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_START));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_STOP); }));
    EXPECT_FALSE(IsEnabled(IDD_RECEIVE, IDC_START));
    ASSERT_TRUE(
        WaitUntil([] { return std::atoi(Text(IDD_RECEIVE, IDC_RX_COUNT).c_str()) >= 200; }));
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_STOP));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_RESET); }));
    shown = Text(IDD_RECEIVE, IDC_RX_COUNT);
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_RESET));
    EXPECT_TRUE(WaitUntil([] { return Text(IDD_RECEIVE, IDC_RX_COUNT) == "0"; }));
    ASSERT_TRUE(Click(IDD_RECEIVE, IDOK));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(PressEscape(kMain));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_EQ(shown, std::to_string(PcapRecords(ReadFile(kCaptureFileName)).size()));
}

TEST_F(ProgramScenario, ACaptureFileThatTakesNothingIsReportedAndStartWorksOnceItCan) {
  const SmallFilesystem disk(64 * 1024);
  SKIP_WITHOUT_FULL_FILE(disk);
  std::filesystem::create_symlink(disk.FullFile(), kCaptureFileName);
  Run([] {
    Connect();
    ASSERT_TRUE(Click(kMain, IDC_RECEIVE));
    ASSERT_TRUE(WaitForWindow(IDD_RECEIVE));
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_START));
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text,
              "Unable to write log file tarnwick.pcap: No space left on device.\n"
              "The capture has stopped.");
    EXPECT_EQ(box->caption, "File Write Error");
    EXPECT_EQ(box->ownerTemplate, IDD_RECEIVE);
    ASSERT_TRUE(AnswerMessageBox(kIdOk));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_START); }));
    EXPECT_FALSE(IsEnabled(IDD_RECEIVE, IDC_STOP));
    EXPECT_TRUE(IsEnabled(IDD_RECEIVE, IDC_RESET));

    std::filesystem::remove(kCaptureFileName);
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_START));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_STOP); }));
    ASSERT_TRUE(WaitUntil([] { return std::atoi(Text(IDD_RECEIVE, IDC_RX_COUNT).c_str()) >= 20; }));
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_STOP));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_START); }));
    ASSERT_TRUE(Click(IDD_RECEIVE, IDOK));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(PressEscape(kMain));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_GE(PcapRecords(ReadFile(kCaptureFileName)).size(), 20u);
}

// What lies where the files go is not ours to write into: a FIFO (which
// once hung the program), a link another user put into a folder others may
// write to, a link to no file. The window still appears, Start says which
// file and why at once, and nothing behind a name is touched.
TEST_F(ProgramScenario, NamesThatAreNotPlainFilesOfOursAreRefusedAtStart) {
  if (!MakeFifo(kSampleCaptureFileName) || !MakeFifo(kCaptureFileName))
    GTEST_SKIP() << "FIFOs are Linux's";
  std::filesystem::permissions(".", std::filesystem::perms::all);
  std::ofstream("victim") << "victim";
  std::filesystem::create_symlink("victim", "planted");
  if (!GiveLinkToAnotherUser("planted")) GTEST_SKIP() << "only root gives a link away";
  Run([] {
    Connect();
    ASSERT_TRUE(Click(kMain, IDC_RECEIVE));
    ASSERT_TRUE(WaitForWindow(kRx));
    ExpectStartRefused("tarnwick.pcap: not a regular file.");

    std::filesystem::rename("planted", kCaptureFileName);
    std::filesystem::remove(kTextDumpFileName);
    std::filesystem::create_symlink("missing", kTextDumpFileName);
    ExpectStartRefused(
        "tarnwick.tmp: a symbolic link to a file that does not exist.\n"
        "tarnwick.pcap: a symbolic link owned by another user.");
    ASSERT_TRUE(Click(kRx, IDOK));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(PressEscape(kMain));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_EQ(std::filesystem::status(kSampleCaptureFileName).type(),
            std::filesystem::file_type::fifo);
  EXPECT_EQ(ReadFile("victim"), "victim");
  EXPECT_FALSE(std::filesystem::exists("missing"));
}

// Two copies of the program capturing in one folder: whichever holds the
// files first keeps them whole, and the other is refused at Start.
TEST_F(ProgramScenario, ASecondCaptureInTheSameFolderIsRefusedAndTheFirstStaysWhole) {
  CaptureFiles other;  // the other copy's capture
  ASSERT_TRUE(other.Open());
  WritePcapHeader(other.pcap());
  const ArcnetFrame frame = SampleFrame();
  for (int i = 0; i < 3; ++i) other.Append(frame);
  ASSERT_TRUE(other.Flush());
  std::string shown;
  Run([&] {
    Connect();
    ASSERT_TRUE(Click(kMain, IDC_RECEIVE));
    ASSERT_TRUE(WaitForWindow(kRx));
    ExpectStartRefused(
        "tarnwick.tmp: another program is writing it.\n"
        "tarnwick.pcap: another program is writing it.");
    for (int i = 0; i < 2; ++i) other.Append(frame);
    other.Close();
    EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(), 5u);
    if (TsharkAvailable()) {
      EXPECT_EQ(TsharkMalformedFrames(kCaptureFileName), std::vector<int>{});
    }

    ASSERT_TRUE(Click(kRx, IDC_START));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_STOP) && CountShown() >= 20; }));
    CaptureFiles another;
    EXPECT_FALSE(another.Open());
    shown = StopCapture();
    ASSERT_TRUE(Click(kRx, IDOK));
    ASSERT_TRUE(WaitForWindow(kMain));
    ASSERT_TRUE(PressEscape(kMain));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_EQ(shown, std::to_string(PcapRecords(ReadFile(kCaptureFileName)).size()));
}

TEST_F(ProgramScenario, SavePromptAnsweredNoThenYes) {
  Run([] {
    ASSERT_TRUE(Click(kMain, IDC_MORLA));
    ExitAnswering(kIdNo);
  });
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
  Run([] {
    ASSERT_TRUE(Click(kMain, IDC_MORLA));
    ExitAnswering(kIdYes);
  });
  EXPECT_NE(ReadTextFile(settingsFile()).find("\nKESTA=0\nMORLA=1\nVORNEX=0\n"), std::string::npos);
}

TEST_F(ProgramScenario, SettingsKeepTheirValuesAcrossASaveAndARestart) {
  WriteSettings("NodeID=77\n");
  Run([] {
    Connect();
    EXPECT_EQ(Text(kMain, IDC_NODE_ID_TEXT), "Node ID: 77");
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(kMain, IDC_MORLA); }));
    ASSERT_TRUE(Click(kMain, IDC_MORLA));
    ExitAnswering(kIdYes);
  });
  Run([] {
    EXPECT_EQ(CheckState(kMain, IDC_MORLA), 1);
    Connect();
    EXPECT_EQ(Text(kMain, IDC_NODE_ID_TEXT), "Node ID: 77");
    ASSERT_TRUE(PressEscape(kMain));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_NE(ReadTextFile(settingsFile()).find("\nNodeID=77\n"), std::string::npos);
}

// The library's trace: the capture's end (the controller restored) comes
// before the one Com20020Exit.
::testing::AssertionResult OffLineOnceAfterTheCapture(const std::string& trace) {
  const std::size_t restored = trace.rfind("Com20020ResetWakeOnReceive");
  const std::size_t offline = trace.find("Com20020Exit");
  if (restored != std::string::npos && offline != std::string::npos && offline > restored &&
      trace.find("Com20020Exit", offline + 1) == std::string::npos)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << trace;
}

// End task and taskkill close the main window while a dialog runs above it:
// that dialog ends as on its own Cancel first (the capture as on Exit), then
// the main window's exit path runs, once.
TEST_F(ProgramScenario, ACloseRequestOrALogOffEndsTheCaptureFirst) {
  Run([] {
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(IDD_LOCAL_SETTINGS));
    ASSERT_TRUE(RequestClose(kMain));
    EXPECT_TRUE(WaitForNoWindow(kMain));  // nothing stored, so no prompt
  });
  platform::SetEnv("PONDEL_SIM_TRACE", "trace.txt");
  Run([] {
    ASSERT_TRUE(Click(kMain, IDC_MORLA));
    Connect();
    StartCapture();
    ASSERT_TRUE(WaitUntil([] { return CountShown() >= 20; }));
    ASSERT_TRUE(RequestClose(kMain));
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Would you like to save your settings?");
    EXPECT_EQ(box->ownerTemplate, kMain);
    EXPECT_TRUE(WaitForNoWindow(kRx));
    ASSERT_TRUE(RequestClose(kMain));  // again, while the prompt waits
    ASSERT_TRUE(AnswerMessageBox(kIdNo));
    EXPECT_TRUE(WaitForNoWindow(kMain));
    EXPECT_FALSE(WaitForMessageBox(300ms).has_value());
  });
  platform::UnsetEnv("PONDEL_SIM_TRACE");
  EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(),
            static_cast<std::size_t>(ReceivedCount.load()));
  EXPECT_GE(ReceivedCount.load(), 20);
  EXPECT_TRUE(OffLineOnceAfterTheCapture(ReadFile("trace.txt")));
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));

  // Log-off during a capture: the capture ends and the adapter goes off
  // line at once, in that order, with no question asked.
  std::filesystem::remove("trace.txt");
  platform::SetEnv("PONDEL_SIM_TRACE", "trace.txt");
  Run([] {
    Connect();
    StartCapture();
    ASSERT_TRUE(WaitUntil([] { return CountShown() >= 20; }));
    ASSERT_TRUE(EndSession());
    // Done when the desktop's messages return: the process may end then.
    EXPECT_TRUE(OffLineOnceAfterTheCapture(ReadFile("trace.txt")));
    EXPECT_EQ(PcapRecords(ReadFile(kCaptureFileName)).size(),
              static_cast<std::size_t>(ReceivedCount.load()));
    EXPECT_FALSE(WaitForMessageBox(300ms).has_value());
  });
  platform::UnsetEnv("PONDEL_SIM_TRACE");
}

}  // namespace
