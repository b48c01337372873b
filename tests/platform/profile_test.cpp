#include "platform/profile.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pwd.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

class ProfileTest : public ::testing::Test {
 protected:
  void Write(const std::string& bytes) { std::ofstream(file_, std::ios::binary) << bytes; }
  std::string String(const char* section, const char* key, unsigned size = 100) {
    std::string buffer(size + 1, '#');
    const unsigned n = platform::GetPrivateProfileStringA(section, key, "dflt  ", buffer.data(),
                                                          size, file_.c_str());
    EXPECT_EQ(buffer.find('\0'), size == 0 ? std::string::npos : n);
    return buffer.substr(0, n);
  }
  bool Set(const char* section, const char* key, const char* value) {
    return platform::WritePrivateProfileStringA(section, key, value, file_.c_str());
  }
  // The batch write into section "s": why it failed, or "" when it did not.
  std::string SetAll(std::initializer_list<platform::ProfileString> strings) {
    return platform::WritePrivateProfileStrings("s", strings, file_.c_str()).value_or("");
  }

  TempDir dir_;
  fs::path file_ = dir_.path() / "t.ini";
};

TEST_F(ProfileTest, FindsTheFirstKeyOfTheFirstSectionWhateverTheCaseAndBlanks) {
  Write(
      "a=outside\n[Other]\na=other\n[ MySection ]\n; a=comment\n  A = \"quoted\"  \n"
      "a=second\nb=' x '\nc\n[mysection]\nc=later\n");
  EXPECT_EQ(String("mysection", "a"), "quoted");
  EXPECT_EQ(String("MYSECTION", "B"), " x ");
  EXPECT_EQ(String("mysection", "c"), "dflt");  // no '=' there; a later section does not count
  EXPECT_EQ(String("nosection", "a"), "dflt");
  EXPECT_EQ(String("other", "a", 4), "oth");  // cut to size - 1, which is returned
  EXPECT_EQ(String("other", "a", 1), "");
  EXPECT_EQ(String("other", "a", 0), "");
  fs::remove(file_);
  EXPECT_EQ(String("other", "a"), "dflt");
}

TEST_F(ProfileTest, WritesInPlaceOrAtTheSectionsEndAndKeepsEveryOtherByte) {
  ASSERT_TRUE(Set("New", "k", "v"));
  EXPECT_EQ(ReadFile(file_), "[New]\nk=v\n");

  const std::string before = "; note\r\n[S]\r\n  Key = old  \r\nx=1\r\n\r\n[T]\r\ny=2";
  Write(before);
  ASSERT_TRUE(Set("s", "KEY", "new value"));
  ASSERT_TRUE(Set("s", "added", ""));
  ASSERT_TRUE(Set("t", "z", "3"));
  ASSERT_TRUE(Set("U", "w", "4"));
  EXPECT_EQ(ReadFile(file_),
            "; note\r\n[S]\r\n  Key = new value  \r\nx=1\r\nadded=\r\n\r\n[T]\r\ny=2\r\nz=3\r\n"
            "[U]\r\nw=4\r\n");
}

TEST_F(ProfileTest, RefusesWhatCannotBeWrittenSoundlyAndKeepsTheFile) {
  const std::string before = "[s]\nk=1\n";
  Write(before);
  EXPECT_FALSE(Set("s", "k", "1\n[evil]"));
  EXPECT_FALSE(Set("s", "k=", "1"));
  EXPECT_FALSE(Set("s]", "k", "1"));
  EXPECT_FALSE(platform::WritePrivateProfileStringA("s", "k", "1", dir_.path().c_str()));
  EXPECT_FALSE(
      platform::WritePrivateProfileStringA("s", "k", "1", (dir_.path() / "no/t.ini").c_str()));
  EXPECT_EQ(ReadFile(file_), before);
  // Read-only by its own permission bits, which root's access() overlooks.
  fs::permissions(file_, fs::perms(0444));
  EXPECT_EQ(SetAll({{"k", "2"}}), "it is read-only");
  EXPECT_EQ(ReadFile(file_), before);
}

// A FIFO would hang the reader, a link to /dev/zero fill the memory: only a
// regular file of a sane size is read (anything else reads as missing) or
// ever replaced.
TEST_F(ProfileTest, OnlyARegularFileOfASaneSizeIsReadOrReplaced) {
  const fs::path fifo = dir_.path() / "fifo.ini", device = dir_.path() / "zero.ini",
                 huge = dir_.path() / "huge.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", device);
  std::ofstream(huge) << "[s]\nk=1\n";
  fs::resize_file(huge, 2 << 20);
  for (const auto& [file, reason] : {std::pair{fifo, "it is not a regular file"},
                                     {device, "it is not a regular file"},
                                     {huge, "it is larger than 1 MiB"}}) {
    file_ = file;
    EXPECT_EQ(platform::GetPrivateProfileIntA("s", "k", 7, file.c_str()), 7) << file;
    EXPECT_EQ(String("s", "k"), "dflt");
    EXPECT_EQ(SetAll({{"k", "2"}}), reason) << file;
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_symlink(device));
  EXPECT_EQ(fs::file_size(huge), 2u << 20);
}

// The new file is what the old one's copy would be: through a link (a
// dangling one too) to its target, with the owner and mode it had.
TEST_F(ProfileTest, WritesThroughASymbolicLinkAndKeepsOwnerAndMode) {
  Write("[s]\nk=1\n");
  fs::permissions(file_, fs::perms(0640));
  const passwd* nobody = getpwnam("nobody");
  const bool root = geteuid() == 0 && nobody != nullptr;
  if (root) {
    ASSERT_EQ(chown(file_.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  }
  const fs::path link = dir_.path() / "link.ini";
  fs::create_symlink(file_.filename(), link);
  ASSERT_TRUE(platform::WritePrivateProfileStringA("s", "k", "2", link.c_str()));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(file_), "[s]\nk=2\n");
  struct stat info;
  ASSERT_EQ(stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(info.st_uid, nobody->pw_uid);
  }

  const fs::path dangling = dir_.path() / "dangling.ini";
  fs::create_symlink("elsewhere/new.ini", dangling);
  fs::create_directory(dir_.path() / "elsewhere");
  ASSERT_TRUE(platform::WritePrivateProfileStringA("s", "k", "3", dangling.c_str()));
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(ReadFile(dir_.path() / "elsewhere/new.ini"), "[s]\nk=3\n");
}

TEST_F(ProfileTest, AWriteCutShortFailsAndLeavesTheOldFileAlone) {
  const std::string before = "[s]\nk=1\n";
  Write(before);
  // The file-size limit makes the temporary file's write stop half way; with
  // SIGXFSZ ignored the write fails instead of killing the process.
  const int status = RunInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{50, 50};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0 && !Set("s", "k", std::string(100, '2').c_str());
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ReadFile(file_), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()),
            1);  // no temporary left
}

}  // namespace
