// Real faults for the writers under test: a small file system that fills,
// and a file-size limit that cuts a write short.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace testing_support {

// A tmpfs of `bytes` mounted on a fresh folder while the object lives. Only
// root may mount one: elsewhere mounted() is false and why() says so. On
// Windows a fresh folder on the drive named by TARNWICK_TEST_SMALL_DRIVE,
// which scripts/test-windows.sh maps to a tmpfs of 1 MiB under Wine when it
// runs as root (`bytes` is that drive's).
class SmallFilesystem {
 public:
  explicit SmallFilesystem(std::uintmax_t bytes);
  ~SmallFilesystem();
  SmallFilesystem(const SmallFilesystem&) = delete;
  SmallFilesystem& operator=(const SmallFilesystem&) = delete;

  bool mounted() const { return mounted_; }
  const std::string& why() const { return why_; }
  std::filesystem::path path() const { return root_; }

  // Writes a file that takes every free byte left, as another program
  // filling the disk would.
  void Fill(const std::string& name) const;
  // Fills it, and makes an empty file on it: a file that takes no byte.
  // Linux only (MakesFullFiles): the tests that use it are Linux's.
  static bool MakesFullFiles();
  std::filesystem::path FullFile() const;

 private:
  TempDir dir_;
  std::filesystem::path root_;
  bool mounted_ = false;
  std::string why_;
};

// What the system says of a write to a full disk, as the program shows it.
std::string DiskFullText();

// While the object lives, no file of this process grows past `bytes`: a
// write beyond stops short and then fails with "File too large" (SIGXFSZ,
// which would end the process, is ignored meanwhile).
class FileSizeLimit {
 public:
  // False on Windows, which has no file size limit.
  static bool Supported();
  explicit FileSizeLimit(std::uintmax_t bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  std::uintmax_t previous_;
  void (*previousHandler_)(int);
};

// A FIFO named `path`; false where there are none (Windows).
bool MakeFifo(const std::filesystem::path& path);

// Gives the symbolic link `link` to another user, as if that user had put
// it there; false where that cannot be done (not root, or Windows).
bool GiveLinkToAnotherUser(const std::filesystem::path& link);

}  // namespace testing_support

// Skips the test where no file size limit can be set (Windows).
#define SKIP_WITHOUT_FILE_SIZE_LIMIT()                          \
  do {                                                          \
    if (!::testing_support::FileSizeLimit::Supported())         \
      GTEST_SKIP() << "a file size limit is set only on Linux"; \
  } while (0)

#define SKIP_WITHOUT_SMALL_FILESYSTEM(fs)            \
  do {                                               \
    if (!(fs).mounted()) GTEST_SKIP() << (fs).why(); \
  } while (0)

// FullFile(): a file on a full file system that the program reaches by a
// link or by its name.
#define SKIP_WITHOUT_FULL_FILE(fs)                                                   \
  do {                                                                               \
    if (!(fs).MakesFullFiles()) GTEST_SKIP() << "a full file is made only on Linux"; \
    SKIP_WITHOUT_SMALL_FILESYSTEM(fs);                                               \
  } while (0)
