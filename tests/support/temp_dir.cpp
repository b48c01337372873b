#include "tests/support/temp_dir.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "platform/temp_folder.h"
#include "platform/text_encoding.h"

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

namespace {

// What a text-mode stream of the C runtime writes for '\n': the line end
// that this system's text files have, learnt from the system itself.
const std::string& TextModeLineEnd() {
  static const std::string lineEnd = [] {
    const platform::TempFolder folder("line-end-");
    const std::filesystem::path file = folder.path() / "line";
    if (std::FILE* out = platform::OpenCFile(platform::PathText(file).c_str(), "w")) {
      std::fputc('\n', out);
      std::fclose(out);
    }
    return ReadFile(file);
  }();
  return lineEnd;
}

}  // namespace

std::string ReadTextFile(const std::filesystem::path& file) {
  const std::string text = ReadFile(file);
  const std::string& lineEnd = TextModeLineEnd();
  std::string lines;
  for (std::size_t i = 0; i < text.size();) {
    if (text.compare(i, lineEnd.size(), lineEnd) == 0) {
      lines += '\n';
      i += lineEnd.size();
      continue;
    }
    if (text[i] == '\n')
      ADD_FAILURE() << file.string() << ": a line ends in a bare '\\n' at byte " << i;
    lines += text[i++];
  }
  return lines;
}

}  // namespace testing_support
