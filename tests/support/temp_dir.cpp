#include "tests/support/temp_dir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace testing_support {

ScopedCurrentDir::ScopedCurrentDir(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

ScopedCurrentDir::~ScopedCurrentDir() {
  std::filesystem::current_path(previous_);
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadTextFile(const std::filesystem::path& file) {
  std::string text = ReadFile(file);
#if defined(_WIN32)
  std::string lines;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
      ADD_FAILURE() << file.string() << ": a line ends in a bare '\\n' at byte " << i;
    lines += text[i];
  }
  text = std::move(lines);
#endif
  return text;
}

}  // namespace testing_support
