// Runs Debian's tshark on a file we wrote: a reader that nobody here wrote
// checks every capture file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

bool TsharkAvailable();

// Set TARNWICK_REQUIRE_TSHARK=1 (scripts/test.sh does, and so CI) and a
// missing tshark fails the tests that need it instead of skipping them.
bool TsharkRequired();

// The lines tshark prints for "-r file -T fields -e field...", one line per
// packet with the fields separated by tabs; nullopt when tshark failed.
std::optional<std::vector<std::string>> TsharkFields(const std::filesystem::path& file,
                                                     const std::vector<std::string>& fields);

// The numbers (from 1) of the packets that Wireshark's dissectors flag as
// malformed; nullopt when tshark failed.
std::optional<std::vector<int>> TsharkMalformedFrames(const std::filesystem::path& file);

}  // namespace testing_support

// Skips the test, saying why, on a machine without tshark; fails it where
// tshark is required.
#define SKIP_WITHOUT_TSHARK()                                                   \
  do {                                                                          \
    if (!::testing_support::TsharkAvailable()) {                                \
      if (::testing_support::TsharkRequired())                                  \
        FAIL() << "tshark is required (TARNWICK_REQUIRE_TSHARK) but not found"; \
      GTEST_SKIP() << "tshark is not installed (apt-get install tshark)";       \
    }                                                                           \
  } while (0)
