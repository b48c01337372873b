#include "settings/settings.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utility>
#include <vector>

#include "adapter/init_blocks.h"
#include "res/resource.h"
#include "tests/support/child_process.h"
#include "tests/support/fault_injection.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// The main window as SaveSettings sees it: its three radio buttons and the
// operator's answer, with every question it was asked and every error shown.
struct FakeMainWindow : SettingsPrompt {
  int checks[3] = {1, 0, 0};
  bool answer = true;
  std::vector<std::pair<std::string, std::string>> asked;
  std::vector<std::pair<std::string, std::string>> errors;

  int CheckState(int controlId) override { return checks[controlId - IDC_USB]; }
  bool AskYesNo(const char* text, const char* caption) override {
    asked.emplace_back(text, caption);
    return answer;
  }
  void ShowError(const std::string& text, const char* caption) override {
    errors.emplace_back(text, caption);
  }
};

class SettingsTest : public ::testing::Test {
 protected:
  SettingsTest() {
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    SettingsChanged = 0;
  }
  ~SettingsTest() override { unsetenv("XDG_CONFIG_HOME"); }

  // Writes the settings file, dated an hour ago so that a rewrite shows.
  void WriteIni(const std::string& bytes) {
    fs::create_directories(file_.parent_path());
    std::ofstream(file_, std::ios::binary) << bytes;
    fs::last_write_time(file_, fs::last_write_time(file_) - std::chrono::hours(1));
    written_ = fs::last_write_time(file_);
  }
  void ExpectUntouched(const std::string& bytes) {
    EXPECT_EQ(ReadFile(file_), bytes);
    EXPECT_EQ(fs::last_write_time(file_), written_);
  }

  TempDir dir_;
  fs::path file_ = dir_.path() / "tarnwick" / "Tarnwick.ini";
  fs::file_time_type written_;
  FakeMainWindow window_;
};

TEST_F(SettingsTest, WithoutAFileTheDefaultsLoadAndNothingIsAskedOrWritten) {
  EXPECT_EQ(SettingsFilePath(), file_);
  LoadSettings();
  EXPECT_EQ(DeviceNumber, 0);
  EXPECT_EQ(DataRate, 4);
  EXPECT_EQ(Timeouts, 0);
  EXPECT_EQ(LocalInit.nodeId, 5);
  EXPECT_EQ(LocalInit.naks128, 0);
  EXPECT_EQ(IPAddress, "");
  EXPECT_EQ(PortNumber, 5001);
  EXPECT_EQ(LoadedKesta, 1);
  EXPECT_EQ(LoadedMorla, 0);
  EXPECT_EQ(LoadedVornex, 0);
  SaveSettings(window_);
  EXPECT_TRUE(window_.asked.empty());
  EXPECT_FALSE(fs::exists(file_.parent_path()));
}

TEST_F(SettingsTest, YesWritesTheTenKeysInTheSaveOrder) {
  LoadSettings();
  DeviceNumber = 3, DataRate = 7, Timeouts = -1, PortNumber = 47808;
  LocalInit.nodeId = 200, LocalInit.naks128 = 1;
  IPAddress = "192.168.1.20";
  window_.checks[0] = 0, window_.checks[2] = 1;  // the adapter type changed to VORNEX
  SaveSettings(window_);
  EXPECT_EQ(SettingsChanged, 1);
  ASSERT_EQ(window_.asked.size(), 1u);
  EXPECT_EQ(window_.asked[0].first, "Would you like to save your settings?");
  EXPECT_EQ(window_.asked[0].second, "Save Settings");
  EXPECT_EQ(ReadFile(file_),
            "[Tarnwick]\nDeviceNumber=3\nDataRate=7\nTimeouts=-1\n128NAKs=1\nNodeID=200\n"
            "IPAddress=192.168.1.20\nPortNumber=47808\nKESTA=0\nMORLA=0\nVORNEX=1\n");
}

TEST_F(SettingsTest, ReadsValuesAsWindowsDoesAndRewritesThemWhereTheyStand) {
  WriteIni(
      "[Tarnwick]\nNodeID=300\nDeviceNumber=abc\nDataRate= 7 \nTimeouts=-3\n128NAKs=12x\n"
      "PortNumber=\nKESTA=0\nMORLA='1'\nVORNEX=4294967296\n");
  LoadSettings();
  EXPECT_EQ(LocalInit.nodeId, 44);  // the low 8 bits of 300
  EXPECT_EQ(DeviceNumber, 0);
  EXPECT_EQ(DataRate, 7);
  EXPECT_EQ(Timeouts, -3);
  EXPECT_EQ(LocalInit.naks128, 12);
  EXPECT_EQ(PortNumber, 5001);  // an empty value gives the default
  EXPECT_EQ(LoadedKesta, 0);
  EXPECT_EQ(LoadedMorla, 1);   // quotes around a value do not count
  EXPECT_EQ(LoadedVornex, 0);  // 2^32 wraps to 0
  window_.checks[0] = 0, window_.checks[1] = 1;
  SettingsChanged = 1;
  SaveSettings(window_);
  EXPECT_EQ(ReadFile(file_),
            "[Tarnwick]\nNodeID=44\nDeviceNumber=0\nDataRate= 7 \nTimeouts=-3\n128NAKs=12\n"
            "PortNumber=5001\nKESTA=0\nMORLA=1\nVORNEX=0\nIPAddress=\n");
}

TEST_F(SettingsTest, AnAddressOfAnyLengthComesBackWhole) {
  for (std::size_t length : {19, 20, 63, 64, 65, 300}) {
    std::string address(length, '7');
    address.front() = 'h', address.back() = 'z';
    WriteIni("[Tarnwick]\nIPAddress=" + address + "\n");
    LoadSettings();
    EXPECT_EQ(IPAddress, address) << length;
    SettingsChanged = 1;
    SaveSettings(window_);
    IPAddress.clear();
    LoadSettings();
    EXPECT_EQ(IPAddress, address) << length;
  }
}

// An editor that ends lines with a bare carriage return: the address ends
// there, as the system's reader ends it, and the next save is not refused
// for a line break the operator cannot see.
TEST_F(SettingsTest, ABareCarriageReturnEndsAValueAndTheNextSaveGoesThrough) {
  WriteIni("[Tarnwick]\nIPAddress=10.0.0.7\rPortNumber=5002\nNodeID=9\n");
  LoadSettings();
  EXPECT_EQ(IPAddress, "10.0.0.7");
  SettingsChanged = 1;
  SaveSettings(window_);
  EXPECT_TRUE(window_.errors.empty());
  IPAddress.clear();
  LoadSettings();
  EXPECT_EQ(IPAddress, "10.0.0.7");
  EXPECT_EQ(LocalInit.nodeId, 9);
}

TEST_F(SettingsTest, NoChangeMeansNoQuestionAndAnUntouchedFile) {
  const std::string bytes = "[Tarnwick]\nKESTA=0\nMORLA=1\nVORNEX=1\n";
  WriteIni(bytes);
  LoadSettings();
  // Both marked types stay checked, or the operator clicked away and back.
  window_.checks[0] = 0, window_.checks[1] = 1, window_.checks[2] = 1;
  SaveSettings(window_);
  EXPECT_TRUE(window_.asked.empty());
  EXPECT_EQ(SettingsChanged, 0);
  ExpectUntouched(bytes);
}

TEST_F(SettingsTest, NoWritesNothing) {
  const std::string bytes = "[Tarnwick]\nNodeID=9\n";
  WriteIni(bytes);
  LoadSettings();
  window_.checks[0] = 0, window_.checks[1] = 1;
  window_.answer = false;
  SaveSettings(window_);
  EXPECT_EQ(window_.asked.size(), 1u);
  ExpectUntouched(bytes);
}

TEST_F(SettingsTest, OtherSectionsCommentsAndKeysStayByteForByte) {
  WriteIni(
      "\xEF\xBB\xBF; site 4, boiler house\r\n[Other]\r\nNodeID=77\r\n\r\n[tarnwick]\r\n"
      "Colour = blue\r\n  nodeid = 12\t\r\n; tuned 2019\r\n\r\n[Last]\r\nx=y");
  LoadSettings();
  EXPECT_EQ(LocalInit.nodeId, 12);
  SettingsChanged = 1;
  SaveSettings(window_);
  EXPECT_EQ(ReadFile(file_),
            "\xEF\xBB\xBF; site 4, boiler house\r\n[Other]\r\nNodeID=77\r\n\r\n[tarnwick]\r\n"
            "Colour = blue\r\n  nodeid = 12\t\r\n; tuned 2019\r\nDeviceNumber=0\r\nDataRate=4\r\n"
            "Timeouts=0\r\n128NAKs=0\r\nIPAddress=\r\nPortNumber=5001\r\nKESTA=1\r\nMORLA=0\r\n"
            "VORNEX=0\r\n\r\n[Last]\r\nx=y");
}

TEST_F(SettingsTest, AReadOnlyFolderOrFileLosesNothingAndSaysSo) {
  const std::string bytes = "[Tarnwick]\nNodeID=9\n";
  // As root the child becomes "nobody", for whom the permissions hold; the
  // folders on the way stay open to it.
  fs::permissions(dir_.path(), fs::perms(0755));
  for (const bool folderReadOnly : {true, false}) {
    WriteIni(bytes);
    fs::permissions(file_.parent_path(), fs::perms(folderReadOnly ? 0555 : 0777));
    fs::permissions(file_, fs::perms(folderReadOnly ? 0666 : 0444));
    const int status = RunInChild([&] {
      if (!DropRootPrivileges()) return false;
      LoadSettings();
      DeviceNumber = 6;
      SettingsChanged = 1;
      SaveSettings(window_);
      const std::string why = folderReadOnly ? "Permission denied" : "it is read-only";
      return window_.asked.size() == 1 && DeviceNumber == 6 && LocalInit.nodeId == 9 &&
             window_.errors == decltype(window_.errors){{"Your settings were not saved to " +
                                                             file_.string() + ": " + why + ".",
                                                         "Save Settings"}};
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << folderReadOnly;
    ExpectUntouched(bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(file_.parent_path()), fs::directory_iterator()),
              1);  // no temporary
  }
}

TEST_F(SettingsTest, ASaveThatDiesHalfWayLeavesTheOldFileWhole) {
  const std::string bytes = "[Tarnwick]\n; the plant's ARCNET, segment B\nNodeID=9\n";
  WriteIni(bytes);
  const rlimit limit{40, 40};
  // Past the file-size limit the kernel kills the writer with SIGXFSZ, in the
  // middle of writing the new file: the crash of a real save.
  const int status = RunInChild([&] {
    LoadSettings();
    SettingsChanged = 1;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    SaveSettings(window_);
    return true;
  });
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  ExpectUntouched(bytes);
  std::vector<std::uintmax_t> sizes;
  for (const auto& entry : fs::directory_iterator(file_.parent_path())) {
    if (entry.path() != file_) sizes.push_back(entry.file_size());
  }
  EXPECT_EQ(sizes, std::vector<std::uintmax_t>{40});  // the new file, cut short where it died
}

// All ten keys or none: a disk that has no room for the new file, or a
// settings file that is no file at all, leaves what is there as it was and
// the operator is told why.
TEST_F(SettingsTest, ASaveThatCannotBeMadeWritesNoKeyAndSaysWhy) {
  SmallFilesystem disk(16 * 1024);
  const std::string bytes = "[Tarnwick]\nNodeID=9\n";
  const auto save = [&](const char* why) {
    LoadSettings();
    IPAddress = std::string(3000, '7');  // the long key that did not fit
    DataRate = 2;
    SettingsChanged = 1;
    window_.errors.clear();
    SaveSettings(window_);
    EXPECT_EQ(window_.errors, decltype(window_.errors)({{"Your settings were not saved to " +
                                                             file_.string() + ": " + why + ".",
                                                         "Save Settings"}}));
  };
  if (disk.mounted()) {
    setenv("XDG_CONFIG_HOME", disk.path().c_str(), 1);
    file_ = disk.path() / "tarnwick" / "Tarnwick.ini";
    WriteIni(bytes);
    disk.Fill("ballast");
    save("No space left on device");
    ExpectUntouched(bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(file_.parent_path()), fs::directory_iterator()),
              1);  // no temporary
  }

  setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  file_ = dir_.path() / "tarnwick" / "Tarnwick.ini";
  fs::create_directories(file_.parent_path());
  ASSERT_EQ(mkfifo(file_.c_str(), 0644), 0);
  save("it is not a regular file");  // and the start did not hang on it
  EXPECT_EQ(LocalInit.nodeId, 5);
  EXPECT_TRUE(fs::is_fifo(file_));
  SKIP_WITHOUT_SMALL_FILESYSTEM(disk);
}

TEST(SettingsFileTest, TheWindowsDirectorysFileIsReadWhenOnlyItExists) {
  TempDir dir;
  const fs::path own = dir.path() / "own.ini", legacy = dir.path() / "legacy.ini";
  EXPECT_EQ(ChooseSettingsFile(own, legacy), own);
  std::ofstream(legacy) << "[Tarnwick]\n";
  EXPECT_EQ(ChooseSettingsFile(own, legacy), legacy);
  std::ofstream(own) << "[Tarnwick]\n";
  EXPECT_EQ(ChooseSettingsFile(own, legacy), own);
  EXPECT_EQ(ChooseSettingsFile(own, {}), own);
}

}  // namespace
