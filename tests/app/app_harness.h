// Runs the whole program on the fake backend, as an operator would use it:
// a fresh settings folder and current folder per test, and the automation
// interface to drive the windows; with the scripted adapter library or the
// stand-in one.
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
#include "tests/support/environment.h"
#include "tests/support/scripted_library.h"
#include "tests/support/temp_dir.h"
#include "ui/automation.h"
#include "ui/fake/fake_ui.h"

namespace testing_support {

class ProgramTest : public ::testing::Test {
 public:
  // Starts the program and runs `driver` against it; returns when both have
  // ended. The driver starts once the main window is up.
  static void RunProgram(const std::function<void()>& driver) {
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

 protected:
  ProgramTest() {
    SetUserConfigFolder(home_.path());
    ui::fake::ClearRecords();
    LocalInit = {};
    ServerInit = {};
  }
  ~ProgramTest() override { ResetUserConfigFolder(); }

  // The settings file's content before the program starts.
  void WriteSettings(const std::string& keys) {
    std::filesystem::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile(), std::ios::binary) << "[Tarnwick]\n" << keys;
  }
  std::filesystem::path settingsFile() const { return home_.path() / "tarnwick" / "Tarnwick.ini"; }
  std::string SavedSettings() const { return ReadTextFile(settingsFile()); }

  TempDir home_;
  TempDir cwdDir_;
  ScopedCurrentDir cwd_{cwdDir_.path()};
};

// The program with the recording double in place of the adapter library.
class AppTest : public ProgramTest {
 protected:
  AppTest() { ScriptedLibrary::Get().Reset(); }

  std::vector<LibraryCall> LibraryCalls() const { return ScriptedLibrary::Get().Calls(); }
};

}  // namespace testing_support
