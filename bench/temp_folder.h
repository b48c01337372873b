// A fresh folder under the system's temporary folder for one benchmark
// program's files, removed with everything in it when the program ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace bench {

class TempFolder {
 public:
  TempFolder() {
#if defined(_WIN32)
    // No mkdtemp: a random name, taken only when no folder has it yet.
    std::random_device random;
    for (int attempt = 0; path_.empty() && attempt < 100; ++attempt) {
      const auto candidate =
          std::filesystem::temp_directory_path() /
          ("tarnwick-bench-" + std::to_string(random()) + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("no temporary folder could be made");
#else
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
#endif
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const {
    return path_;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace bench
