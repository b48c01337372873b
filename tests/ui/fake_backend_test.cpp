// What only the in-memory backend offers the system's tests: message boxes
// answered from a script, and a record of every message box shown. The
// platform behaviour it shares with the real backends is tested by the
// conformance suite (tests/conformance).
#include <atomic>
#include <gtest/gtest.h>

#include "res/templates.h"
#include "ui/automation.h"
#include "ui/dialog.h"
#include "ui/fake/fake_ui.h"

namespace {

using namespace ui::automation;

class FakeBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { ui::fake::ClearRecords(); }
};

TEST_F(FakeBackendTest, MessageBoxesAreRecordedAndAnsweredFromTheScriptOrOnScreen) {
  ui::fake::ScriptMessageBoxAnswers({kIdYes});
  std::atomic<int> scripted{0}, onScreen{0};
  RunScenario(
      [&] {
        CWinApp app(res::Resources(), "Probe");
        scripted = AfxMessageBox("first", kMbYesNo | kMbIconQuestion);
        onScreen = AfxMessageBox("second", kMbOk | kMbIconExclamation);
      },
      [] {
        auto box = WaitForMessageBox();
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->text, "second");  // the scripted one never showed
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

TEST_F(FakeBackendTest, ClearRecordsForgetsUnusedAnswers) {
  ui::fake::ScriptMessageBoxAnswers({kIdYes, kIdYes});
  ui::fake::ClearRecords();
  std::atomic<int> answer{0};
  RunScenario(
      [&] {
        CWinApp app(res::Resources(), "Probe");
        answer = AfxMessageBox("asked", kMbYesNo | kMbIconQuestion);
      },
      [] {
        ASSERT_TRUE(WaitForMessageBox().has_value());
        EXPECT_TRUE(AnswerMessageBox(kIdNo));
      });
  EXPECT_EQ(answer, kIdNo);
  EXPECT_EQ(ui::fake::MessageBoxesShown().size(), 1u);
}

}  // namespace
