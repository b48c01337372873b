#include "platform/temp_folder.h"

#include <random>
#include <stdexcept>
#include <string>

namespace platform {

TempFolder::TempFolder(std::string_view prefix) {
  // No mkdtemp: a random name, taken only when no folder has it yet.
  std::random_device random;
  for (int attempt = 0; path_.empty() && attempt < 100; ++attempt) {
    const auto candidate =
        std::filesystem::temp_directory_path() /
        (std::string(prefix) + std::to_string(random()) + std::to_string(random()));
    if (std::filesystem::create_directory(candidate)) path_ = candidate;
  }
  if (path_.empty()) throw std::runtime_error("no temporary folder could be made");
}

}  // namespace platform
