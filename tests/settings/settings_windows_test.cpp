// The settings on Windows, through the system's own profile functions: the
// file in %APPDATA%\Tarnwick, written in Windows' text format, and a file
// found only in the Windows folder read as the starting point.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

#include "adapter/init_blocks.h"
#include "platform/folders.h"
#include "platform/text_encoding.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "tests/support/environment.h"
#include "tests/support/fault_injection.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

struct SaysYes : SettingsPrompt {
  int CheckState(int controlId) override { return controlId == IDC_MORLA ? 1 : 0; }
  bool AskYesNo(const char*, const char*) override { return true; }
  void ShowError(const std::string& text, const char*) override { errors += text; }
  std::string errors;
};

class WindowsSettingsTest : public ::testing::Test {
 protected:
  WindowsSettingsTest() { SetUserConfigFolder(appData_.path()); }
  ~WindowsSettingsTest() override {
    ResetUserConfigFolder();
    fs::remove(legacy_);
  }

  TempDir appData_;
  const fs::path own_ = appData_.path() / "Tarnwick" / "Tarnwick.ini";
  const fs::path legacy_ = platform::WindowsFolder() / "Tarnwick.ini";
};

TEST_F(WindowsSettingsTest, SavedInTheUsersApplicationDataAsWindowsWritesProfiles) {
  EXPECT_EQ(SettingsFilePath(), own_);
  LoadSettings();
  DataRate = 7;
  IPAddress = "192.168.7.20";
  SettingsChanged = 1;
  SaysYes operatorSaysYes;
  SaveSettings(operatorSaysYes);
  EXPECT_EQ(operatorSaysYes.errors, "");
  // The folder is named as on Windows, not in the lower case of Linux.
  EXPECT_EQ(fs::directory_iterator(appData_.path())->path().filename(), "Tarnwick");
  EXPECT_EQ(ReadTextFile(own_),
            "[Tarnwick]\nDeviceNumber=0\nDataRate=7\nTimeouts=0\n128NAKs=0\nNodeID=5\n"
            "IPAddress=192.168.7.20\nPortNumber=5001\nKESTA=0\nMORLA=1\nVORNEX=0\n");
}

TEST_F(WindowsSettingsTest, AFileOnlyInTheWindowsFolderIsReadUntilTheUsersOwnExists) {
  ASSERT_FALSE(platform::WindowsFolder().empty());
  std::ofstream(legacy_, std::ios::binary) << "[Tarnwick]\r\nNodeID=77\r\nVORNEX=1\r\n";
  LoadSettings();
  EXPECT_EQ(LocalInit.nodeId, 77);
  EXPECT_EQ(LoadedVornex, 1);
  fs::create_directories(own_.parent_path());
  std::ofstream(own_, std::ios::binary) << "[Tarnwick]\r\nNodeID=9\r\n";
  LoadSettings();
  EXPECT_EQ(LocalInit.nodeId, 9);
  EXPECT_EQ(LoadedVornex, 0);
}

// A drive with no room for the new file: all keys or none, and the operator
// is told; the old file is left whole.
TEST(WindowsSettingsFullDriveTest, ASaveOntoAFullDriveLeavesTheOldFileAndSaysWhy) {
  SmallFilesystem drive(1 << 20);
  SKIP_WITHOUT_SMALL_FILESYSTEM(drive);
  SetUserConfigFolder(drive.path());
  const fs::path file = drive.path() / "Tarnwick" / "Tarnwick.ini";
  fs::create_directories(file.parent_path());
  const std::string bytes = "[Tarnwick]\r\nNodeID=9\r\n";
  std::ofstream(file, std::ios::binary) << bytes;
  LoadSettings();
  drive.Fill("ballast");
  IPAddress = std::string(3000, '7');  // more than the drive has room for
  SettingsChanged = 1;
  SaysYes operatorSaysYes;
  SaveSettings(operatorSaysYes);
  ResetUserConfigFolder();
  EXPECT_EQ(operatorSaysYes.errors, "Your settings were not saved to " + platform::PathText(file) +
                                        ": " + DiskFullText() + ".");
  EXPECT_EQ(ReadFile(file), bytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
            1);  // no copy left beside it
}

}  // namespace
