// Runs the whole program on the fake backend, as an operator would use it:
// a fresh settings folder and current folder per test, the scripted adapter
// library, and the automation interface to drive the windows.
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
#include "settings/settings.h"
#include "tests/support/scripted_library.h"
#include "tests/support/temp_dir.h"
#include "ui/automation.h"
#include "ui/fake/fake_ui.h"

namespace testing_support {

class AppTest : public ::testing::Test {
 protected:
  AppTest() {
    setenv("XDG_CONFIG_HOME", home_.path().c_str(), 1);
    ScriptedLibrary::Get().Reset();
    ui::fake::ClearRecords();
    LocalInit = {};
    ServerInit = {};
  }
  ~AppTest() override { unsetenv("XDG_CONFIG_HOME"); }

  // The settings file's content before the program starts.
  void WriteSettings(const std::string& keys) {
    std::filesystem::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile(), std::ios::binary) << "[Tarnwick]\n" << keys;
  }
  std::filesystem::path settingsFile() const { return home_.path() / "tarnwick" / "Tarnwick.ini"; }
  std::string SavedSettings() const { return ReadFile(settingsFile()); }

  // Starts the program and runs `driver` against it; returns when both have
  // ended. The driver starts once the main window is up.
  void RunProgram(const std::function<void()>& driver) {
    ui::automation::RunScenario(
        [] {
          CQuillanApp app;
          app.InitInstance();
        },
        [&] {
          ASSERT_TRUE(ui::automation::WaitForWindow(IDD_TARNWICK_DIALOG));
          driver();
        });
  }

  std::vector<LibraryCall> LibraryCalls() const { return ScriptedLibrary::Get().Calls(); }

  TempDir home_;
  TempDir cwdDir_;
  ScopedCurrentDir cwd_{cwdDir_.path()};
};

}  // namespace testing_support
