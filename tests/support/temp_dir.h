// A fresh folder for one test, removed with everything in it afterwards;
// optionally made the current folder for the test's duration, since the
// capture files are written to the current folder.
#pragma once

#include <filesystem>
#include <string>

#include "platform/temp_folder.h"

namespace testing_support {

class TempDir : public platform::TempFolder {
 public:
  TempDir() : platform::TempFolder("tarnwick-test-") {}
};

// Makes a folder the current one until the object goes.
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::filesystem::path& dir);
  ~ScopedCurrentDir();
  ScopedCurrentDir(const ScopedCurrentDir&) = delete;
  ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

 private:
  std::filesystem::path previous_;
};

std::string ReadFile(const std::filesystem::path& file);

// A text file as a program reads it in text mode: its lines end in '\n'. On
// Windows each must end in "\r\n" on disk, as Notepad needs, and a bare
// '\n' fails the test.
std::string ReadTextFile(const std::filesystem::path& file);

}  // namespace testing_support
