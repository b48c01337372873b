// What only the in-memory backend offers the system's tests: message boxes
// answered from a script, and a record of every message box shown. The
// platform behaviour it shares with the real backends is tested by the
// conformance suite (tests/conformance).
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

#include "res/templates.h"
#include "ui/automation.h"
#include "ui/dialog.h"
#include "ui/fake/fake_ui.h"
#include "ui/ui_thread.h"

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

// Posted work runs straight from the event loop (on Win32 inside a window
// procedure): an exception from it is said and stops the program there,
// as one from a handler does, instead of unwinding through the loop.
TEST_F(FakeBackendTest, AnExceptionInPostedWorkIsSaidAndStopsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        int argc = 0;
        ui::RunAsUiThread(argc, nullptr, [] {
          std::thread([] {
            ui::PostToUiThread([] { throw std::runtime_error("no room for the frame"); });
          }).join();
          ui::PumpWhile([] { return true; }, std::chrono::milliseconds(10));
        });
      },
      "tarnwick: unhandled exception in posted work: no room for the frame");
}

}  // namespace
