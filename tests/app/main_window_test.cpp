// The main window on the fake backend: start-up, the adapter-type buttons,
// the About box, painting while minimised and the ways out.
#include <filesystem>

#include "res/version.h"
#include "tests/app/app_harness.h"

namespace {

using namespace testing_support;
using namespace ui::automation;
constexpr int kMain = IDD_TARNWICK_DIALOG;

TEST_F(AppTest, FirstStartShowsUsbOfflineAndWritesTheSampleFile) {
  RunProgram([] {
    EXPECT_EQ(Caption(kMain), TARNWICK_CAPTION);
    EXPECT_EQ(CheckState(kMain, IDC_USB), 1);
    EXPECT_EQ(CheckState(kMain, IDC_MORLA), 0);
    EXPECT_EQ(CheckState(kMain, IDC_VORNEX), 0);
    EXPECT_EQ(Text(kMain, IDC_STATUS), "Status: OFFLINE");
    EXPECT_EQ(Text(kMain, IDC_NODE_ID_TEXT), "Node ID:");
    EXPECT_FALSE(IsEnabled(kMain, IDC_NODE_ID_TEXT));
    EXPECT_FALSE(IsEnabled(kMain, IDC_RECEIVE));
    EXPECT_TRUE(IsEnabled(kMain, IDC_SETTINGS));
    EXPECT_TRUE(IsEnabled(kMain, IDC_CONNECT));
    const auto menu = SystemMenuItems(kMain);
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0].command, 0u);  // separator
    EXPECT_EQ(menu[1].command, unsigned{IDM_ABOUTBOX});
    EXPECT_EQ(menu[1].text, "&About Tarnwick...");
    EXPECT_EQ(WindowIcons(kMain), std::pair(IDR_MAINFRAME, IDR_MAINFRAME));
    EXPECT_TRUE(Click(kMain, IDOK));
  });
  EXPECT_EQ(std::filesystem::file_size("arcnet.tmp"), 207u);
  // Nothing changed: no question, no file, no library call.
  EXPECT_TRUE(ui::fake::MessageBoxesShown().empty());
  EXPECT_FALSE(std::filesystem::exists(settingsFile()));
  EXPECT_TRUE(LibraryCalls().empty());
}

TEST_F(AppTest, EveryMarkedAdapterTypeStartsCheckedAndTheLowestPicksTheDialog) {
  WriteSettings("KESTA=0\nMORLA=1\nVORNEX=1\n");
  RunProgram([] {
    EXPECT_EQ(CheckState(kMain, IDC_USB), 0);
    EXPECT_EQ(CheckState(kMain, IDC_MORLA), 1);
    EXPECT_EQ(CheckState(kMain, IDC_VORNEX), 1);
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(IDD_LOCAL_SETTINGS));
    EXPECT_TRUE(PressEscape(IDD_LOCAL_SETTINGS));
    ASSERT_TRUE(WaitForWindow(kMain));
    // Unchanged buttons: no question at exit.
    EXPECT_TRUE(PressEscape(kMain));
  });
  EXPECT_TRUE(ui::fake::MessageBoxesShown().empty());
}

TEST_F(AppTest, WithNoTypeMarkedSettingsDoesNothing) {
  WriteSettings("KESTA=0\n");
  RunProgram([] {
    EXPECT_EQ(CheckState(kMain, IDC_USB), 0);
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    EXPECT_FALSE(WaitForWindow(IDD_LOCAL_SETTINGS, std::chrono::milliseconds(200)));
    EXPECT_FALSE(WaitForWindow(IDD_SERVER_SETTINGS, std::chrono::milliseconds(200)));
    ASSERT_TRUE(Click(kMain, IDC_VORNEX));
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(IDD_SERVER_SETTINGS));
    PressCloseBox(IDD_SERVER_SETTINGS);
    ASSERT_TRUE(WaitForWindow(kMain));
    PressCloseBox(kMain);
  });
}

TEST_F(AppTest, TheAboutBoxAnswersTheSystemCommandsOfItsItem) {
  RunProgram([] {
    for (unsigned command : {0x0010u, 0x001Fu, 0x10015u}) {
      ASSERT_TRUE(SystemCommand(kMain, command));
      ASSERT_TRUE(WaitForWindow(IDD_ABOUTBOX)) << command;
      EXPECT_EQ(Caption(IDD_ABOUTBOX), "About Tarnwick");
      EXPECT_TRUE(Click(IDD_ABOUTBOX, IDOK));
      ASSERT_TRUE(WaitForWindow(kMain));
    }
    // 0x0020 is not the About item; Move (0xF010) is handled as usual.
    ASSERT_TRUE(SystemCommand(kMain, 0x0020));
    ASSERT_TRUE(SystemCommand(kMain, 0xF010));
    EXPECT_FALSE(WaitForWindow(IDD_ABOUTBOX, std::chrono::milliseconds(200)));
    ASSERT_TRUE(SystemCommand(kMain, kScClose));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
}

TEST_F(AppTest, MinimisedTheWindowPaintsItsIconInTheMiddleAndDragsIt) {
  using ui::fake::Paint;
  using Drawn = std::vector<std::string>;
  RunProgram([] {
    EXPECT_EQ(Paint(kMain), Drawn{"the platform's painting"});
    // Windows gives a minimised window no client area: (0 - 32 + 1) / 2
    // truncates toward zero.
    ASSERT_TRUE(ui::fake::Minimize(kMain, 0, 0));
    EXPECT_EQ(Paint(kMain), (Drawn{"background behind the icon", "icon 128 at -15,-15"}));
    ASSERT_TRUE(ui::fake::Minimize(kMain, 37, 36));
    EXPECT_EQ(Paint(kMain), (Drawn{"background behind the icon", "icon 128 at 3,2"}));
    EXPECT_EQ(ui::fake::QueryDragIcon(kMain), IDR_MAINFRAME);
    ASSERT_TRUE(ui::fake::Restore(kMain));
    EXPECT_EQ(Paint(kMain), Drawn{"the platform's painting"});

    // The About box leaves both to the platform.
    ASSERT_TRUE(SystemCommand(kMain, IDM_ABOUTBOX));
    ASSERT_TRUE(WaitForWindow(IDD_ABOUTBOX));
    ASSERT_TRUE(ui::fake::Minimize(IDD_ABOUTBOX, 0, 0));
    EXPECT_EQ(Paint(IDD_ABOUTBOX), Drawn{"the platform's painting"});
    EXPECT_EQ(ui::fake::QueryDragIcon(IDD_ABOUTBOX), 0);
    EXPECT_TRUE(PressEscape(IDD_ABOUTBOX));
    ASSERT_TRUE(WaitForWindow(kMain));
    EXPECT_TRUE(PressEscape(kMain));
  });
}

// Exit, Enter, Escape, the close box and Close on the system menu all take
// the adapter off line first, then ask about the changed settings.
TEST_F(AppTest, EveryWayOutTakesTheAdapterOfflineBeforeTheSavePrompt) {
  const std::function<void()> ways[] = {
      [] { Click(kMain, IDOK); },
      // Connect has the focus, and Enter would press it: Tab past Receive
      // round to Exit first, as an operator would.
      [] {
        PressTab(kMain);
        PressTab(kMain);
        PressEnter(kMain);
      },
      [] { PressEscape(kMain); },
      [] { PressCloseBox(kMain); },
      [] { SystemCommand(kMain, kScClose); },
  };
  for (const auto& leave : ways) {
    ScriptedLibrary::Get().Reset();
    ui::fake::ClearRecords();
    RunProgram([&] {
      ASSERT_TRUE(Click(kMain, IDC_MORLA));  // a changed adapter type
      ASSERT_TRUE(Click(kMain, IDC_CONNECT));
      ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_STATUS) == "Status: ONLINE"; }));
      leave();
      const auto box = WaitForMessageBox();
      ASSERT_TRUE(box.has_value());
      EXPECT_EQ(box->text, "Would you like to save your settings?");
      EXPECT_EQ(box->caption, "Save Settings");
      EXPECT_EQ(box->flags, kMbYesNo | kMbIconQuestion);
      EXPECT_EQ(box->ownerTemplate, kMain);
      const auto calls = LibraryCalls();
      ASSERT_EQ(calls.size(), 2u);
      EXPECT_EQ(calls[1].function, "Com20020Exit");
      AnswerMessageBox(kIdNo);
    });
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));
  }
}

TEST_F(AppTest, YesSavesTheCurrentButtonsAndTheNodeIdTheLibraryLeft) {
  ScriptedLibrary::Get().SetNodeIdAfterInit(77);
  ui::fake::ScriptMessageBoxAnswers({kIdYes});
  RunProgram([] {
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_NODE_ID_TEXT) == "Node ID: 77"; }));
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(Click(kMain, IDC_VORNEX));
    ASSERT_TRUE(Click(kMain, IDOK));
  });
  EXPECT_EQ(SavedSettings(),
            "[Tarnwick]\nDeviceNumber=0\nDataRate=4\nTimeouts=0\n128NAKs=0\nNodeID=77\n"
            "IPAddress=\nPortNumber=5001\nKESTA=0\nMORLA=0\nVORNEX=1\n");
}

// Each button is compared with the file: a choice that differs from it in
// one button only is still asked about, and kept for the next start.
TEST_F(AppTest, AnAdapterTypeThatDiffersFromTheFileInOneButtonIsAskedAboutAndSaved) {
  const struct {
    const char* file;
    int click;
    const char* saved;
  } cases[] = {
      {"KESTA=0\nMORLA=1\nVORNEX=1\n", IDC_MORLA, "KESTA=0\nMORLA=1\nVORNEX=0\n"},
      {"KESTA=0\nMORLA=0\nVORNEX=0\n", IDC_VORNEX, "KESTA=0\nMORLA=0\nVORNEX=1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    WriteSettings(c.file);
    ui::fake::ClearRecords();
    ui::fake::ScriptMessageBoxAnswers({kIdYes});
    RunProgram([&] {
      ASSERT_TRUE(Click(kMain, c.click));
      ASSERT_TRUE(Click(kMain, IDOK));
    });
    const auto boxes = ui::fake::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Save Settings");
    EXPECT_NE(SavedSettings().find(c.saved), std::string::npos) << SavedSettings();
  }
}

}  // namespace
