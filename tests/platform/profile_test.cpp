#include "platform/profile.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

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
}

TEST_F(ProfileTest, WritesThroughASymbolicLink) {
  Write("[s]\nk=1\n");
  const fs::path link = dir_.path() / "link.ini";
  fs::create_symlink(file_.filename(), link);
  ASSERT_TRUE(platform::WritePrivateProfileStringA("s", "k", "2", link.c_str()));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(file_), "[s]\nk=2\n");
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
