// A fresh folder under the system's temporary folder, removed with
// everything in it when the object goes: for the files of one test or one
// benchmark program.
#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

class TempFolder {
 public:
  // Named `prefix` and a part no other folder there has; throws
  // std::runtime_error when none can be made.
  explicit TempFolder(std::string_view prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace platform
