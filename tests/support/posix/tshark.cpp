#include "tests/support/tshark.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string_view>

namespace testing_support {

namespace {

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::optional<std::string> Run(const std::string& command) {
  // tshark warns on stderr when it runs as root; only stdout is the answer.
  std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string output;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  return output;
}

}  // namespace

bool TsharkRequired() {
  const char* required = std::getenv("TARNWICK_REQUIRE_TSHARK");
  return required != nullptr && std::string_view(required) == "1";
}

bool TsharkAvailable() {
  static const bool available = Run("tshark --version").has_value();
  return available;
}

std::optional<std::vector<std::string>> TsharkFields(const std::filesystem::path& file,
                                                     const std::vector<std::string>& fields) {
  std::string command = "tshark -n -r " + Quote(file.string()) + " -T fields";
  for (const auto& field : fields) command += " -e " + Quote(field);
  auto output = Run(command);
  if (!output) return std::nullopt;
  std::vector<std::string> lines;
  std::istringstream in(*output);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::optional<std::vector<int>> TsharkMalformedFrames(const std::filesystem::path& file) {
  auto output =
      Run("tshark -n -r " + Quote(file.string()) + " -Y _ws.malformed -T fields -e frame.number");
  if (!output) return std::nullopt;
  std::vector<int> frames;
  std::istringstream in(*output);
  for (int number; in >> number;) frames.push_back(number);
  return frames;
}

}  // namespace testing_support
