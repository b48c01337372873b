#include "tests/support/tshark.h"

// Debian's tshark is a Linux program: under Wine it is never at hand, nor
// required, and the scripts that run the Windows programs check their files
// with it instead.
namespace testing_support {

bool TsharkRequired() {
  return false;
}

bool TsharkAvailable() {
  return false;
}

std::optional<std::vector<std::string>> TsharkFields(const std::filesystem::path&,
                                                     const std::vector<std::string>&) {
  return std::nullopt;
}

std::optional<std::vector<int>> TsharkMalformedFrames(const std::filesystem::path&) {
  return std::nullopt;
}

}  // namespace testing_support
