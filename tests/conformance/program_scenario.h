// The whole program run by a conformance scenario: a fresh settings folder
// and current folder for each, the main window driven through
// ui/automation.h, and the steps several scenarios share.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>

#include "adapter/init_blocks.h"
#include "app/quillan_app.h"
#include "res/resource.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"
#include "ui/automation.h"

namespace conformance {

inline constexpr int kMain = IDD_TARNWICK_DIALOG;

using namespace ui::automation;
using testing_support::ScopedCurrentDir;
using testing_support::TempDir;

class ProgramScenario : public ::testing::Test {
 protected:
  ProgramScenario() {
    testing_support::SetUserConfigFolder(home_.path());
    testing_support::SetEnv("PONDEL_SIM_RATE", "500");
    testing_support::SetEnv("PONDEL_SIM_SEED", "11");
    LocalInit = {};
    ServerInit = {};
  }
  ~ProgramScenario() override {
    testing_support::ResetUserConfigFolder();
    testing_support::UnsetEnv("PONDEL_SIM_RATE");
    testing_support::UnsetEnv("PONDEL_SIM_SEED");
  }

  void Run(const std::function<void()>& driver) {
    RunScenario(
        [] {
          CQuillanApp app;
          app.InitInstance();
        },
        [&] {
          ASSERT_TRUE(WaitForWindow(kMain));
          driver();
        });
  }
  std::filesystem::path settingsFile() const { return home_.path() / "tarnwick" / "Tarnwick.ini"; }
  // The settings file's content before the program starts.
  void WriteSettings(const std::string& keys) const {
    std::filesystem::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile(), std::ios::binary) << "[Tarnwick]\n" << keys;
  }

  static void Connect() {
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_STATUS) == "Status: ONLINE"; }));
  }
  // Answers the save prompt at exit.
  static void ExitAnswering(int answer) {
    ASSERT_TRUE(Click(kMain, IDOK));
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Would you like to save your settings?");
    EXPECT_EQ(box->caption, "Save Settings");
    EXPECT_EQ(box->ownerTemplate, kMain);
    ASSERT_TRUE(AnswerMessageBox(answer));
    EXPECT_TRUE(WaitForNoWindow(kMain));
  }

  TempDir home_;
  TempDir cwdDir_;
  ScopedCurrentDir cwd_{cwdDir_.path()};
};

}  // namespace conformance
