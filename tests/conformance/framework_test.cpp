// The dialog framework's platform behaviour, the same on every backend:
// windows built from the real templates with small probe dialogs behind
// them, driven as an operator drives them.
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "res/resource.h"
#include "res/templates.h"
#include "res/version.h"
#include "tests/conformance/scenario.h"
#include "ui/automation.h"
#include "ui/dialog.h"
#include "ui/ui_thread.h"

namespace {

using namespace ui::automation;
using conformance::RunAsMainWindow;

constexpr int kMain = IDD_TARNWICK_DIALOG;
constexpr int kLocal = IDD_LOCAL_SETTINGS;
constexpr int kReceive = IDD_RECEIVE;
constexpr unsigned kAboutCommand = IDM_ABOUTBOX;

// The main window's template: Settings opens the receive window's template
// modally, Connect counts; its OK and Cancel end it as the framework's do.
class MainProbe : public CDialog {
 public:
  MainProbe() : CDialog(kMain) {}

  std::atomic<int> settingsClicks{0};
  std::atomic<int> connectClicks{0};
  std::atomic<int> nestedResult{-1};
  std::atomic<int> okCalls{0};
  std::atomic<unsigned> lastSysCommand{0};
  std::atomic<int> sysCommands{0};

 protected:
  std::span<const MessageMapEntry> GetMessageMap() const override {
    static constexpr MessageMapEntry map[] = {
        OnClicked<&MainProbe::OnSettings>(IDC_SETTINGS),
        OnClicked<&MainProbe::OnConnect>(IDC_CONNECT),
    };
    return map;
  }
  void OnOK() override {
    ++okCalls;
    CDialog::OnOK();
  }
  bool OnSysCommand(unsigned command) override {
    lastSysCommand = command;
    ++sysCommands;
    return command == kAboutCommand || CDialog::OnSysCommand(command);
  }

 private:
  void OnSettings() {
    ++settingsClicks;
    CDialog nested(kReceive);
    nestedResult = nested.DoModal();
  }
  void OnConnect() { ++connectClicks; }
};

// The program may check several radio buttons of a group: the main window
// does, for each adapter flag that is set.
struct TwoTypesChecked : MainProbe {
  bool OnInitDialog() override {
    CDialog::OnInitDialog();
    CheckDlgButton(IDC_USB, 1);
    CheckDlgButton(IDC_VORNEX, 1);
    return true;
  }
};

TEST(Framework, AWindowShowsItsTemplate) {
  MainProbe main;
  RunAsMainWindow(main, [] {
    EXPECT_EQ(Caption(kMain), TARNWICK_CAPTION);
    EXPECT_EQ(Text(kMain, IDOK), "Exit");
    EXPECT_EQ(Text(kMain, IDC_VORNEX), "VORNEX");
    EXPECT_EQ(Text(kMain, IDC_STATUS), "Status");
    EXPECT_TRUE(IsEnabled(kMain, IDC_SETTINGS));
    EXPECT_FALSE(IsEnabled(kMain, IDC_RECEIVE));  // disabled by the template
    for (int radio : {IDC_USB, IDC_MORLA, IDC_VORNEX}) EXPECT_EQ(CheckState(kMain, radio), 0);
    EXPECT_EQ(WindowIcons(kMain), std::make_pair(0, 0));  // none set by this dialog
    EXPECT_TRUE(SystemMenuItems(kMain).empty());
  });
}

TEST(Framework, AListStartsWithNoSelectionAndAnEditBoxEmpty) {
  CDialog local(kLocal);
  RunAsMainWindow(local, [] {
    EXPECT_EQ(Caption(kLocal), "Local Connect Settings");
    EXPECT_EQ(Selection(kLocal, IDC_DATA_RATE), -1);
    EXPECT_EQ(Selection(kLocal, IDC_TIMEOUTS), -1);
    EXPECT_EQ(Text(kLocal, IDC_NODE_ID), "");
    EXPECT_EQ(CheckState(kLocal, IDC_128NAKS), 0);
  });
}

TEST(Framework, AutomaticRadioButtonsOfAGroupAreExclusiveOnlyToTheOperator) {
  // A click leaves just the clicked one checked, and a click on the checked
  // one keeps it checked.
  TwoTypesChecked main;
  RunAsMainWindow(main, [&] {
    EXPECT_EQ(CheckState(kMain, IDC_USB), 1);
    EXPECT_EQ(CheckState(kMain, IDC_VORNEX), 1);
    EXPECT_TRUE(Click(kMain, IDC_MORLA));
    EXPECT_TRUE(WaitUntil([] { return CheckState(kMain, IDC_MORLA) == 1; }));
    EXPECT_EQ(CheckState(kMain, IDC_USB), 0);
    EXPECT_EQ(CheckState(kMain, IDC_VORNEX), 0);
    EXPECT_TRUE(Click(kMain, IDC_MORLA));
    EXPECT_TRUE(Click(kMain, IDC_CONNECT));  // input is served in order: MORLA's click is done
    EXPECT_TRUE(WaitUntil([&] { return main.connectClicks == 1; }));
    EXPECT_EQ(CheckState(kMain, IDC_MORLA), 1);
  });
}

TEST(Framework, AssistiveTechnologyActivatesAButtonAsAClickDoes) {
  // A screen reader's Press or Toggle (UI Automation's Invoke or Toggle on
  // Windows): the radio group, the check box and the commands as a click.
  TwoTypesChecked main;
  RunAsMainWindow(main, [&] {
    EXPECT_TRUE(Activate(kMain, IDC_MORLA));
    EXPECT_TRUE(Activate(kMain, IDC_MORLA));  // stays checked
    EXPECT_TRUE(Activate(kMain, IDC_CONNECT));
    EXPECT_TRUE(WaitUntil([&] { return main.connectClicks == 1; }));
    EXPECT_EQ(CheckState(kMain, IDC_USB), 0);
    EXPECT_EQ(CheckState(kMain, IDC_MORLA), 1);
    EXPECT_EQ(CheckState(kMain, IDC_VORNEX), 0);
    EXPECT_FALSE(Activate(kMain, IDC_RECEIVE));  // disabled
    EXPECT_TRUE(Activate(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(kReceive));
    EXPECT_FALSE(Activate(kMain, IDC_CONNECT));  // blocked by the modal window
    EXPECT_TRUE(Activate(kReceive, IDOK));
    ASSERT_TRUE(WaitForWindow(kMain));
    EXPECT_EQ(main.nestedResult, IDOK);
  });
  EXPECT_EQ(main.connectClicks, 1);
}

TEST(Framework, AutomaticCheckBoxTogglesBeforeItsCommand) {
  struct Probe : CDialog {
    Probe() : CDialog(kLocal) {}
    std::atomic<int> seen{-1};
    std::span<const MessageMapEntry> GetMessageMap() const override {
      static constexpr MessageMapEntry map[] = {OnClicked<&Probe::OnNaks>(IDC_128NAKS)};
      return map;
    }
    void OnNaks() { seen = IsDlgButtonChecked(IDC_128NAKS); }
  } local;
  RunAsMainWindow(local, [&] {
    EXPECT_TRUE(Click(kLocal, IDC_128NAKS));
    EXPECT_TRUE(WaitUntil([&] { return local.seen == 1; }));
    EXPECT_TRUE(Click(kLocal, IDC_128NAKS));
    EXPECT_TRUE(WaitUntil([&] { return local.seen == 0; }));
    EXPECT_EQ(CheckState(kLocal, IDC_128NAKS), 0);
  });
}

TEST(Framework, DisabledControlTakesNoInput) {
  struct Probe : MainProbe {
    bool OnInitDialog() override {
      CDialog::OnInitDialog();
      EnableDlgItem(IDC_CONNECT, false);
      return true;
    }
  } main;
  RunAsMainWindow(main, [&] {
    EXPECT_FALSE(IsEnabled(kMain, IDC_RECEIVE));
    EXPECT_FALSE(Click(kMain, IDC_RECEIVE));
    EXPECT_FALSE(Click(kMain, IDC_CONNECT));
    EXPECT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(kReceive));
    EXPECT_TRUE(PressEscape(kReceive));
    ASSERT_TRUE(WaitForWindow(kMain));
  });
  EXPECT_EQ(main.connectClicks, 0);
}

TEST(Framework, ControlValuesReadAsThePlatformReadsThem) {
  struct Probe : CDialog {
    Probe() : CDialog(kLocal) {}
    bool OnInitDialog() override {
      CDialog::OnInitDialog();
      const std::pair<const char*, int> cases[] = {{"12x", 12}, {"abc", 0},         {" -7", -7},
                                                   {"", 0},     {"99999999999", 0}, {"+3", 3}};
      for (auto [text, value] : cases) {
        SetDlgItemText(IDC_NODE_ID, text);
        EXPECT_EQ(GetDlgItemText(IDC_NODE_ID), text);
        EXPECT_EQ(GetDlgItemInt(IDC_NODE_ID), value) << '"' << text << '"';
      }
      // A two-state check box shows any non-zero state as checked.
      CheckDlgButton(IDC_128NAKS, 5);
      EXPECT_EQ(IsDlgButtonChecked(IDC_128NAKS), 1);
      CheckDlgButton(IDC_128NAKS, 0);
      EXPECT_EQ(IsDlgButtonChecked(IDC_128NAKS), 0);
      CComboBox rates;
      BindControl(IDC_DATA_RATE, rates);
      rates.SetCurSel(7);
      EXPECT_EQ(rates.GetCurSel(), 7);
      rates.SetCurSel(8);  // past the end: no selection
      EXPECT_EQ(rates.GetCurSel(), -1);
      rates.SetCurSel(0);
      rates.SetCurSel(-1);
      EXPECT_EQ(rates.GetCurSel(), -1);
      EndDialog(IDOK);
      return true;
    }
  } local;
  int result = -1;
  RunScenario(
      [&] {
        CWinApp app(res::Resources(), conformance::kAppName);
        result = local.DoModal();
      },
      [] {});
  EXPECT_EQ(result, IDOK);
}

TEST(Framework, TypingAndSelectingChangeWhatTheDialogReads) {
  struct Probe : CDialog {
    Probe() : CDialog(kLocal) {}
    bool OnInitDialog() override {
      CDialog::OnInitDialog();
      SetDlgItemText(IDC_NODE_ID, "12");
      EnableDlgItem(IDC_DEVICE_NUMBER, false);
      return true;
    }
    void OnOK() override {
      nodeText = GetDlgItemText(IDC_NODE_ID);
      nodeId = GetDlgItemInt(IDC_NODE_ID);
      CComboBox rates;
      BindControl(IDC_DATA_RATE, rates);
      rate = rates.GetCurSel();
      CDialog::OnOK();
    }
    // Read once the scenario has ended.
    std::string nodeText;
    int nodeId = -1;
    int rate = -1;
  } local;
  const int result = RunAsMainWindow(local, [] {
    EXPECT_TRUE(Type(kLocal, IDC_NODE_ID, "254"));  // replaces "12"
    EXPECT_TRUE(WaitUntil([] { return Text(kLocal, IDC_NODE_ID) == "254"; }));
    EXPECT_FALSE(Type(kLocal, IDC_DEVICE_NUMBER, "3"));
    EXPECT_TRUE(Select(kLocal, IDC_DATA_RATE, 3));
    EXPECT_TRUE(WaitUntil([] { return Selection(kLocal, IDC_DATA_RATE) == 3; }));
    EXPECT_TRUE(Select(kLocal, IDC_TIMEOUTS, 4));  // past the end: no selection
    EXPECT_TRUE(Type(kLocal, IDC_NODE_ID, ""));
    EXPECT_TRUE(WaitUntil([] { return Text(kLocal, IDC_NODE_ID).empty(); }));
    EXPECT_EQ(Selection(kLocal, IDC_TIMEOUTS), -1);
    EXPECT_EQ(Text(kLocal, IDC_DEVICE_NUMBER), "");
    EXPECT_TRUE(Type(kLocal, IDC_NODE_ID, "7x"));
    EXPECT_TRUE(Click(kLocal, IDOK));
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(local.nodeText, "7x");
  EXPECT_EQ(local.nodeId, 7);
  EXPECT_EQ(local.rate, 3);
}

TEST(Framework, ModalDialogBlocksItsOwnerUntilItEnds) {
  MainProbe main;
  const int result = RunAsMainWindow(main, [&] {
    ASSERT_TRUE(Click(kMain, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(kReceive));
    EXPECT_FALSE(Click(kMain, IDC_CONNECT));
    EXPECT_FALSE(PressEscape(kMain));
    EXPECT_FALSE(PressCloseBox(kMain));
    EXPECT_EQ(Caption(kReceive), "Receive");
    EXPECT_TRUE(PressEnter(kReceive));  // the default button "Exit" is IDOK
    ASSERT_TRUE(WaitForWindow(kMain));
    EXPECT_EQ(main.nestedResult, IDOK);
    EXPECT_EQ(main.settingsClicks, 1);
    EXPECT_TRUE(PressCloseBox(kMain));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(main.connectClicks, 0);
}

TEST(Framework, EnterEscapeAndTheCloseBoxEndTheDialogThroughItsCommands) {
  {
    MainProbe main;
    EXPECT_EQ(RunAsMainWindow(main, [] { EXPECT_TRUE(PressEnter(kMain)); }), IDOK);
    EXPECT_EQ(main.okCalls, 1);
  }
  {
    MainProbe main;
    EXPECT_EQ(RunAsMainWindow(main, [] { EXPECT_TRUE(PressEscape(kMain)); }), IDCANCEL);
    EXPECT_EQ(main.sysCommands, 0);
  }
  {
    // The close box is the system command Close, whose default is Cancel.
    // Restore, for a window that is not minimised, is a command with nothing
    // to do (Move would start Windows' keyboard loop for moving the window).
    MainProbe main;
    EXPECT_EQ(RunAsMainWindow(main,
                              [] {
                                EXPECT_TRUE(SystemCommand(kMain, 0xF120));  // Restore
                                EXPECT_TRUE(WaitForWindow(kMain));
                                EXPECT_TRUE(PressCloseBox(kMain));
                              }),
              IDCANCEL);
    EXPECT_EQ(main.sysCommands, 2);
    EXPECT_EQ(main.lastSysCommand, kScClose);
    EXPECT_EQ(main.okCalls, 0);
  }
}

TEST(Framework, EnterPressesTheFocusedPushButtonElseTheDefaultOne) {
  MainProbe main;
  const int result = RunAsMainWindow(main, [&] {
    EXPECT_TRUE(Click(kMain, IDC_CONNECT));  // a clicked push button takes the focus
    EXPECT_TRUE(PressEnter(kMain));
    EXPECT_TRUE(WaitUntil([&] { return main.connectClicks == 2; }));
    EXPECT_TRUE(Click(kMain, IDC_USB));  // a radio button takes it from there
    EXPECT_TRUE(PressEnter(kMain));
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(main.connectClicks, 2);
}

TEST(Framework, TabMovesTheFocusThroughTheEnabledTabStopsInTemplateOrder) {
  MainProbe main;
  const int result = RunAsMainWindow(main, [&] {
    // Exit has the focus at the start; the radio buttons are no tab stops.
    EXPECT_TRUE(PressTab(kMain));  // Settings
    EXPECT_TRUE(PressTab(kMain));  // Connect
    EXPECT_TRUE(PressEnter(kMain));
    EXPECT_TRUE(WaitUntil([&] { return main.connectClicks == 1; }));
    EXPECT_TRUE(PressTab(kMain));  // past the disabled Receive, round to Exit
    EXPECT_TRUE(PressEnter(kMain));
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(main.connectClicks, 1);
  EXPECT_EQ(main.settingsClicks, 0);
}

TEST(Framework, EnterDoesNothingWhileTheDefaultButtonIsDisabled) {
  struct Probe : CDialog {
    Probe() : CDialog(kReceive) {}
    bool OnInitDialog() override {
      CDialog::OnInitDialog();
      EnableDlgItem(IDOK, false);
      return true;  // the focus goes to the count box, the first enabled tab stop
    }
  } receive;
  const int result = RunAsMainWindow(receive, [] {
    EXPECT_TRUE(PressEnter(kReceive));
    EXPECT_TRUE(PressEscape(kReceive));
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST(Framework, SystemMenuItemIsAppendedAndChosen) {
  struct Probe : MainProbe {
    bool OnInitDialog() override {
      CDialog::OnInitDialog();
      if (CMenu* menu = GetSystemMenu()) {
        menu->AppendSeparator();
        menu->AppendItem(kAboutCommand, "&About Tarnwick...");
      }
      return true;
    }
  } main;
  RunAsMainWindow(main, [&] {
    const std::vector<MenuItem> items = SystemMenuItems(kMain);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].command, 0u);
    EXPECT_EQ(items[1].command, kAboutCommand);
    EXPECT_EQ(items[1].text, "&About Tarnwick...");
    EXPECT_TRUE(SystemCommand(kMain, kAboutCommand));
    EXPECT_TRUE(WaitUntil([&] { return main.lastSysCommand == kAboutCommand; }));
    EXPECT_TRUE(WaitForWindow(kMain));  // handled by the dialog, not as Close
  });
  EXPECT_EQ(main.sysCommands, 1);
}

TEST(Framework, TheIconSetOnAWindowIsShown) {
  struct Probe : MainProbe {
    bool OnInitDialog() override {
      CDialog::OnInitDialog();
      const IconHandle icon = CWinApp::Current()->LoadIcon(IDR_MAINFRAME);
      SetIcon(icon, true);
      SetIcon(icon, false);
      return true;
    }
  } main;
  RunAsMainWindow(
      main, [] { EXPECT_EQ(WindowIcons(kMain), std::make_pair(IDR_MAINFRAME, IDR_MAINFRAME)); });
}

TEST(Framework, MessageBoxIsAnsweredOnScreen) {
  struct Probe : MainProbe {
    void OnOK() override {
      answer = MessageBox("Would you like to save?", "Save", kMbYesNo | kMbIconQuestion);
      CDialog::OnOK();
    }
    std::atomic<int> answer{0};
  } main;
  std::atomic<int> unowned{0};
  RunScenario(
      [&] {
        CWinApp app(res::Resources(), conformance::kAppName);
        unowned =
            AfxMessageBox("Windows sockets initialization failed.", kMbOk | kMbIconExclamation);
        app.m_pMainWnd = &main;
        main.DoModal();
      },
      [&] {
        std::optional<MessageBoxInfo> box = WaitForMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, "Windows sockets initialization failed.");
        EXPECT_EQ(box->caption, conformance::kAppName);
        EXPECT_EQ(box->flags, kMbOk | kMbIconExclamation);
        EXPECT_EQ(box->ownerTemplate, 0);
        EXPECT_TRUE(AnswerMessageBox(kIdOk));
        ASSERT_TRUE(WaitForWindow(kMain));
        EXPECT_TRUE(Click(kMain, IDOK));
        box = WaitForMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->caption, "Save");
        EXPECT_EQ(box->flags, kMbYesNo | kMbIconQuestion);
        EXPECT_EQ(box->ownerTemplate, kMain);
        EXPECT_FALSE(Click(kMain, IDC_CONNECT));  // the box is on top
        EXPECT_TRUE(AnswerMessageBox(kIdNo));
        EXPECT_TRUE(WaitForNoWindow(kMain));
      });
  EXPECT_EQ(unowned, kIdOk);
  EXPECT_EQ(main.answer, kIdNo);
  EXPECT_EQ(main.connectClicks, 0);
}

TEST(Framework, AMessageBoxWithNoOwnerNamedIsOwnedByTheActiveDialog) {
  struct Probe : MainProbe {
    void OnOK() override {
      AfxMessageBox("Exit?", kMbOk | kMbIconExclamation);
      CDialog::OnOK();
    }
  } main;
  const int result = RunAsMainWindow(main, [&] {
    EXPECT_TRUE(Click(kMain, IDOK));
    const std::optional<MessageBoxInfo> box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, conformance::kAppName);
    EXPECT_EQ(box->ownerTemplate, kMain);
    EXPECT_FALSE(Click(kMain, IDC_CONNECT));  // the dialog takes no input under its box
    EXPECT_TRUE(AnswerMessageBox(kIdOk));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(main.connectClicks, 0);
}

TEST(Framework, ControlTextSetFromAnotherThreadWhileTheWindowRuns) {
  // As the capture thread publishes its count: posted to the window without
  // waiting, each post replacing the last.
  constexpr int kPosts = 2000;
  struct Probe : CDialog {
    Probe() : CDialog(kReceive) {}
    bool OnInitDialog() override {
      CDialog::OnInitDialog();
      worker = std::thread([this] {
        for (int i = 1; i <= kPosts; ++i)
          PostToWindow([this, i] { SetDlgItemInt(IDC_RX_COUNT, i); });
      });
      return true;
    }
    std::thread worker;
  } receive;
  RunAsMainWindow(receive, [&] {
    receive.worker.join();  // every post made while the window is open
    EXPECT_TRUE(WaitUntil([] { return Text(kReceive, IDC_RX_COUNT) == std::to_string(kPosts); }));
  });
}

TEST(Framework, WorkFromAnotherThreadRunsOnTheUiThreadWhileItWaits) {
  std::atomic<bool> ranOnUiThread{false};
  RunScenario(
      [&] {
        CWinApp app(res::Resources(), conformance::kAppName);
        std::atomic<bool> done{false};
        std::thread worker([&] {
          ui::SendToUiThread([&] { ranOnUiThread = ui::IsUiThread(); });
          done = true;
        });
        ui::PumpWhile([&] { return !done.load(); }, std::chrono::milliseconds(50));
        worker.join();
      },
      [] {});
  EXPECT_TRUE(ranOnUiThread);
}

TEST(Framework, InputWaitsWhileTheUiThreadWaitsButAMessageBoxTakesIt) {
  std::atomic<bool> release{false};
  std::atomic<int> answer{0};
  MainProbe main;
  RunAsMainWindow(main, [&] {
    // The click lands while the UI thread waits in a pump: it is held back
    // until the wait is over, except for the message box shown meanwhile.
    std::thread waiter([&] {
      ui::SendToUiThread([&] {
        ui::PumpWhile(
            [&] {
              if (answer == 0 && !release) {
                answer = -1;
                ui::PostToUiThread([&] { answer = AfxMessageBox("during the wait", kMbOk); });
              }
              return !release.load();
            },
            std::chrono::milliseconds(5));
      });
    });
    ASSERT_TRUE(WaitForMessageBox().has_value());
    EXPECT_FALSE(Click(kMain, IDC_SETTINGS));  // a box is on top
    EXPECT_TRUE(AnswerMessageBox(kIdOk));
    ASSERT_TRUE(WaitUntil([&] { return answer == kIdOk; }));
    EXPECT_TRUE(Click(kMain, IDC_USB));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CheckState(kMain, IDC_USB), 0);  // held back
    release = true;
    waiter.join();
    EXPECT_TRUE(WaitUntil([] { return CheckState(kMain, IDC_USB) == 1; }));
  });
  EXPECT_EQ(main.settingsClicks, 0);
}

TEST(Framework, WorkPostedToAClosedWindowIsDropped) {
  std::atomic<int> ran{0};
  struct Poster : CDialog {
    explicit Poster(std::atomic<int>& ran) : CDialog(kReceive), ran_(ran) {}
    bool OnInitDialog() override {
      PostToWindow([this] { ++ran_; });  // served by the modal run
      return true;
    }
    void OnOK() override {
      PostToWindow([this] { ++ran_; });  // the window is gone first
      EndDialog(IDOK);
    }
    std::atomic<int>& ran_;
  };
  RunScenario(
      [&] {
        CWinApp app(res::Resources(), conformance::kAppName);
        Poster dlg(ran);
        dlg.DoModal();
        CDialog later(IDD_ABOUTBOX);
        later.DoModal();
      },
      [] {
        ASSERT_TRUE(WaitForWindow(kReceive));
        EXPECT_TRUE(PressEnter(kReceive));
        ASSERT_TRUE(WaitForWindow(IDD_ABOUTBOX));
        EXPECT_TRUE(PressEnter(IDD_ABOUTBOX));
      });
  EXPECT_EQ(ran, 1);
}

}  // namespace
