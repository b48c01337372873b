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
#include "capture/capture_files.h"
#include "platform/environment.h"
#include "res/resource.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"
#include "ui/automation.h"

namespace conformance {

inline constexpr int kMain = IDD_TARNWICK_DIALOG;
inline constexpr int kRx = IDD_RECEIVE;

using namespace ui::automation;
using testing_support::ScopedCurrentDir;
using testing_support::TempDir;

class ProgramScenario : public ::testing::Test {
 protected:
  ProgramScenario() {
    std::filesystem::create_directories(configFolder());
    testing_support::SetUserConfigFolder(configFolder());
    platform::SetEnv("PONDEL_SIM_RATE", "500");
    platform::SetEnv("PONDEL_SIM_SEED", "11");
    LocalInit = {};
    ServerInit = {};
  }
  ~ProgramScenario() override {
    testing_support::ResetUserConfigFolder();
    platform::UnsetEnv("PONDEL_SIM_RATE");
    platform::UnsetEnv("PONDEL_SIM_SEED");
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
  // Folders named in three scripts, as a user's profile and a capture
  // folder may be: each path must reach the system whole.
  std::filesystem::path configFolder() const { return home_.path() / u8"Jörg" / u8"AppData Łódź"; }
  std::filesystem::path settingsFile() const {
    return configFolder() / "tarnwick" / "Tarnwick.ini";
  }
  // The settings file's content before the program starts.
  void WriteSettings(const std::string& keys) const {
    std::filesystem::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile(), std::ios::binary) << "[Tarnwick]\n" << keys;
  }

  static void Connect() {
    ASSERT_TRUE(Click(kMain, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return Text(kMain, IDC_STATUS) == "Status: ONLINE"; }));
  }
  // From the main window, on line: the receive window opened and a capture
  // started in it.
  static void StartCapture() {
    ASSERT_TRUE(Click(kMain, IDC_RECEIVE));
    ASSERT_TRUE(WaitForWindow(kRx));
    ASSERT_TRUE(Click(kRx, IDC_START));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_STOP); }));
  }
  // The count the receive window shows.
  static int CountShown() { return std::atoi(Text(kRx, IDC_RX_COUNT).c_str()); }
  // Stop, then the count the window shows once the capture has ended.
  static std::string StopCapture() {
    EXPECT_TRUE(Click(kRx, IDC_STOP));
    EXPECT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_START); }));
    return Text(kRx, IDC_RX_COUNT);
  }
  // The box the receive window shows when the device has gone after `frames`
  // frames, and again at every Start until the window is closed.
  static std::string DeviceGoneText(const char* cause, const std::string& frames) {
    return std::string(cause) + ".\nThe capture has stopped after " + frames +
           " frames.\n\ntarnwick.pcap holds all of them, tarnwick.tmp holds all of them, each "
           "frame whole, in " +
           std::filesystem::current_path().string() +
           ".\n\nClose this window to take the adapter off line, then Connect again once the "
           "device is back.";
  }

  // The capture has ended by itself: the box is the receive window's, the
  // buttons are as after Stop, a Start tells the same again and touches no
  // file, and closing the window leaves the adapter off line. The count shown.
  static std::string AnswerDeviceGone(const char* cause) {
    const auto box = WaitForMessageBox();
    EXPECT_TRUE(box.has_value());
    if (!box) return "";
    EXPECT_EQ(box->caption, "Adapter Error");
    EXPECT_EQ(box->flags, kMbOk | kMbIconExclamation);
    EXPECT_EQ(box->ownerTemplate, kRx);
    EXPECT_TRUE(AnswerMessageBox(kIdOk));
    EXPECT_TRUE(WaitUntil([] { return IsEnabled(kRx, IDC_START); }));
    EXPECT_FALSE(IsEnabled(kRx, IDC_STOP));
    EXPECT_TRUE(IsEnabled(kRx, IDC_RESET));
    const std::string shown = Text(kRx, IDC_RX_COUNT);
    EXPECT_EQ(box->text, DeviceGoneText(cause, shown));

    const std::string files =
        testing_support::ReadFile(kCaptureFileName) + testing_support::ReadFile(kTextDumpFileName);
    EXPECT_TRUE(Click(kRx, IDC_START));
    const auto again = WaitForMessageBox();
    EXPECT_EQ(again.has_value() ? again->text : "", box->text);
    EXPECT_TRUE(AnswerMessageBox(kIdOk));
    EXPECT_TRUE(WaitForWindow(kRx));
    EXPECT_FALSE(IsEnabled(kRx, IDC_STOP));
    EXPECT_EQ(
        testing_support::ReadFile(kCaptureFileName) + testing_support::ReadFile(kTextDumpFileName),
        files);

    EXPECT_TRUE(Click(kRx, IDOK));
    EXPECT_TRUE(WaitForWindow(kMain));
    EXPECT_EQ(Text(kMain, IDC_STATUS), "Status: OFFLINE");
    EXPECT_EQ(Text(kMain, IDC_CONNECT), "Connect");
    EXPECT_FALSE(IsEnabled(kMain, IDC_RECEIVE));
    return shown;
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
  std::filesystem::path captureFolder_ = [this] {
    const std::filesystem::path folder = cwdDir_.path() / u8"東京";
    std::filesystem::create_directory(folder);
    return folder;
  }();
  ScopedCurrentDir cwd_{captureFolder_};
};

}  // namespace conformance
