// The dialog framework on the in-memory backend: the platform behaviour that
// the system's tests rely on the fake to reproduce honestly.
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "res/resource.h"
#include "ui/automation.h"
#include "ui/dialog.h"
#include "ui/fake/fake_ui.h"
#include "ui/ui_thread.h"

namespace {

using namespace ui::automation;

// The main window's template with a framework-only dialog behind it: a click
// on Settings opens the receive window's template modally.
class ProbeDlg : public CDialog {
 public:
  ProbeDlg() : CDialog(IDD_TARNWICK_DIALOG) {}

  std::atomic<int> settingsClicks{0};
  std::atomic<int> nestedResult{-1};
  std::atomic<int> sysCommands{0};
  CEdit* unused = nullptr;

 protected:
  std::span<const MessageMapEntry> GetMessageMap() const override {
    static constexpr MessageMapEntry map[] = {
        OnClicked<&ProbeDlg::OnSettings>(IDC_SETTINGS),
        OnClicked<&ProbeDlg::OnReceive>(IDC_RECEIVE),
    };
    return map;
  }
  void OnSysCommand(unsigned command) override {
    ++sysCommands;
    CDialog::OnSysCommand(command);
  }

 private:
  void OnSettings() {
    ++settingsClicks;
    CDialog nested(IDD_RECEIVE);
    nestedResult = nested.DoModal();
  }
  void OnReceive() {}
};

class FakeBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { ui::fake::ClearRecords(); }

  // Runs a ProbeDlg as the main window while `driver` works it.
  int RunProbe(const std::function<void(ProbeDlg&)>& driver) { return RunProbe(probe_, driver); }
  int RunProbe(ProbeDlg& dlg, const std::function<void(ProbeDlg&)>& driver) {
    int result = -1;
    RunScenario(
        [&] {
          CWinApp app("Probe");
          app.m_pMainWnd = &dlg;
          result = dlg.DoModal();
        },
        [&] {
          ASSERT_TRUE(WaitForWindow(IDD_TARNWICK_DIALOG));
          driver(dlg);
        });
    return result;
  }

  ProbeDlg probe_;
};

TEST_F(FakeBackendTest, AutomaticRadioButtonClearsTheOthersOfItsGroup) {
  RunProbe([](ProbeDlg&) {
    EXPECT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_USB));
    EXPECT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_VORNEX));
    EXPECT_EQ(CheckState(IDD_TARNWICK_DIALOG, IDC_USB), 0);
    EXPECT_EQ(CheckState(IDD_TARNWICK_DIALOG, IDC_MORLA), 0);
    EXPECT_EQ(CheckState(IDD_TARNWICK_DIALOG, IDC_VORNEX), 1);
    PressEscape(IDD_TARNWICK_DIALOG);
  });
}

TEST_F(FakeBackendTest, DisabledControlTakesNoClick) {
  RunProbe([](ProbeDlg&) {
    EXPECT_FALSE(IsEnabled(IDD_TARNWICK_DIALOG, IDC_RECEIVE));
    EXPECT_FALSE(Click(IDD_TARNWICK_DIALOG, IDC_RECEIVE));
    PressEscape(IDD_TARNWICK_DIALOG);
  });
}

TEST_F(FakeBackendTest, ModalDialogBlocksItsOwnerUntilItEnds) {
  const int result = RunProbe([](ProbeDlg& dlg) {
    ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_SETTINGS));
    ASSERT_TRUE(WaitForWindow(IDD_RECEIVE));
    EXPECT_FALSE(Click(IDD_TARNWICK_DIALOG, IDC_SETTINGS));
    EXPECT_FALSE(PressEscape(IDD_TARNWICK_DIALOG));
    EXPECT_EQ(Caption(IDD_RECEIVE), "Receive");
    EXPECT_TRUE(PressEnter(IDD_RECEIVE));  // the default button "Exit" is IDOK
    ASSERT_TRUE(WaitForWindow(IDD_TARNWICK_DIALOG));
    EXPECT_EQ(dlg.nestedResult, IDOK);
    EXPECT_EQ(dlg.settingsClicks, 1);
    PressCloseBox(IDD_TARNWICK_DIALOG);
  });
  EXPECT_EQ(result, IDCANCEL);
}

TEST_F(FakeBackendTest, CloseBoxGoesThroughTheSystemCommandToCancel) {
  const int result = RunProbe([&](ProbeDlg&) {
    EXPECT_TRUE(SystemCommand(IDD_TARNWICK_DIALOG, 0xF010));  // Move: nothing to do
    EXPECT_TRUE(WaitForWindow(IDD_TARNWICK_DIALOG));
    EXPECT_TRUE(PressCloseBox(IDD_TARNWICK_DIALOG));
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(probe_.sysCommands, 2);
}

TEST_F(FakeBackendTest, MessageBoxesAreRecordedAndAnsweredFromTheScriptOrOnScreen) {
  ui::fake::ScriptMessageBoxAnswers({kIdYes});
  std::atomic<int> scripted{0}, onScreen{0};
  RunScenario(
      [&] {
        CWinApp app("Probe");
        scripted = AfxMessageBox("first", kMbYesNo | kMbIconQuestion);
        onScreen = AfxMessageBox("second", kMbOk | kMbIconExclamation);
      },
      [] {
        auto box = WaitForMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, "second");
        EXPECT_EQ(box->caption, "Probe");
        EXPECT_EQ(box->ownerTemplate, 0);
        EXPECT_TRUE(AnswerMessageBox(kIdOk));
      });
  EXPECT_EQ(scripted, kIdYes);
  EXPECT_EQ(onScreen, kIdOk);
  const std::vector<ui::fake::MessageBoxRecord> expected = {
      {"first", "Probe", kMbYesNo | kMbIconQuestion, 0},
      {"second", "Probe", kMbOk | kMbIconExclamation, 0},
  };
  EXPECT_EQ(ui::fake::MessageBoxesShown(), expected);
}

TEST_F(FakeBackendTest, ControlValuesReadAsThePlatformReadsThem) {
  RunScenario(
      [] {
        CWinApp app("Probe");
        struct Local : CDialog {
          Local() : CDialog(IDD_LOCAL_SETTINGS) {}
          bool OnInitDialog() override {
            CDialog::OnInitDialog();
            const std::pair<const char*, int> cases[] = {
                {"12x", 12}, {"abc", 0}, {" -7", -7}, {"", 0}, {"99999999999", 0}, {"+3", 3}};
            for (auto [text, value] : cases) {
              SetDlgItemText(IDC_NODE_ID, text);
              EXPECT_EQ(GetDlgItemInt(IDC_NODE_ID), value) << '"' << text << '"';
            }
            CheckDlgButton(IDC_128NAKS, 5);
            EXPECT_EQ(IsDlgButtonChecked(IDC_128NAKS), 1);
            CComboBox rates;
            BindControl(IDC_DATA_RATE, rates);
            rates.SetCurSel(7);
            EXPECT_EQ(rates.GetCurSel(), 7);
            rates.SetCurSel(8);
            EXPECT_EQ(rates.GetCurSel(), -1);
            EndDialog(IDOK);
            return true;
          }
        } dlg;
        EXPECT_EQ(dlg.DoModal(), IDOK);
      },
      [] {});
}

TEST_F(FakeBackendTest, WorkFromAnotherThreadRunsOnTheUiThreadWhileItWaits) {
  RunScenario(
      [] {
        CWinApp app("Probe");
        std::atomic<bool> done{false};
        std::atomic<bool> ranOnUiThread{false};
        std::thread worker([&] {
          ui::SendToUiThread([&] { ranOnUiThread = ui::IsUiThread(); });
          done = true;
        });
        ui::PumpWhile([&] { return !done.load(); }, std::chrono::milliseconds(50));
        worker.join();
        EXPECT_TRUE(ranOnUiThread);
      },
      [] {});
}

TEST_F(FakeBackendTest, InputWaitsWhileTheUiThreadWaitsButAMessageBoxTakesIt) {
  std::atomic<bool> release{false};
  std::atomic<int> answer{0};
  RunProbe([&](ProbeDlg& dlg) {
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
    EXPECT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_SETTINGS) == false);  // a box is on top
    EXPECT_TRUE(AnswerMessageBox(kIdOk));
    ASSERT_TRUE(WaitUntil([&] { return answer == kIdOk; }));
    EXPECT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_USB));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(CheckState(IDD_TARNWICK_DIALOG, IDC_USB), 0);  // held back
    release = true;
    waiter.join();
    EXPECT_TRUE(WaitUntil([] { return CheckState(IDD_TARNWICK_DIALOG, IDC_USB) == 1; }));
    EXPECT_EQ(dlg.settingsClicks, 0);
    PressEscape(IDD_TARNWICK_DIALOG);
  });
}

TEST_F(FakeBackendTest, WorkPostedToAClosedWindowIsDropped) {
  std::atomic<int> ran{0};
  RunScenario(
      [&] {
        CWinApp app("Probe");
        struct Poster : CDialog {
          explicit Poster(std::atomic<int>& ran) : CDialog(IDD_RECEIVE), ran_(ran) {}
          bool OnInitDialog() override {
            PostToWindow([this] { ++ran_; });  // served by the modal run
            return true;
          }
          void OnOK() override {
            PostToWindow([this] { ++ran_; });  // the window is gone first
            EndDialog(IDOK);
          }
          std::atomic<int>& ran_;
        } dlg(ran);
        dlg.DoModal();
        ui::PumpWhile([] { return false; }, std::chrono::milliseconds(1));
        CDialog later(IDD_ABOUTBOX);
        later.DoModal();
      },
      [] {
        ASSERT_TRUE(WaitForWindow(IDD_RECEIVE));
        PressEnter(IDD_RECEIVE);
        ASSERT_TRUE(WaitForWindow(IDD_ABOUTBOX));
        PressEnter(IDD_ABOUTBOX);
      });
  EXPECT_EQ(ran, 1);
}

}  // namespace
