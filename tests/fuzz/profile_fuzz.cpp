// The settings file's reader and writer on any text: nothing crashes or
// reads out of bounds, a value with a line break is refused, a key written
// reads back as written (as the profile functions return a value: without
// the blanks around it and one pair of quotes), and writing a key's value
// once more changes nothing (for values without blanks around them, as
// settings are: around the old value the blanks of the line stay).
//
// Input: a count of writes; for each, a key's index and its value up to a
// NUL; the rest is the file's text.
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/profile_text.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

constexpr std::string_view kSection = "Tarnwick";
constexpr const char* kKeys[] = {"DeviceNumber", "DataRate",  "Timeouts",   "128NAKs",
                                 "NodeID",       "IPAddress", "PortNumber", "KESTA"};

// What the readers return for a value written as it is.
std::string_view AsRead(std::string_view value) {
  constexpr std::string_view kBlanks = " \t\v\f\r\n";
  const auto first = value.find_first_not_of(kBlanks);
  value = first == std::string_view::npos
              ? std::string_view()
              : value.substr(first, value.find_last_not_of(kBlanks) - first + 1);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::FuzzInput input(data, size);
  struct Write {
    const char* key;
    std::string value;
  } writes[8];
  const int count = input.Byte() % 9;
  for (int i = 0; i < count; ++i) {
    writes[i].key = kKeys[input.Byte() % std::size(kKeys)];
    writes[i].value = input.Until('\0');
  }
  const std::string original(input.Rest());

  // The readers, on the text as it came.
  for (const char* key : kKeys) {
    if (const auto value = platform::FindProfileValue(original, kSection, key))
      platform::ProfileValueAsInt(*value);
  }
  platform::FindProfileValue(original, original, original);

  std::string text = original;
  for (int i = 0; i < count; ++i) {
    const bool breaksALine = writes[i].value.find_first_of("\r\n") != std::string::npos;
    const std::string before = text;
    Check(platform::SetProfileValue(text, kSection, writes[i].key, writes[i].value) != breaksALine);
    if (breaksALine) {
      Check(text == before);
      continue;
    }
    Check(platform::FindProfileValue(text, kSection, writes[i].key) ==
          std::optional(AsRead(writes[i].value)));
  }
  // Each key's last value once more.
  std::string again = text;
  for (int i = 0; i < count; ++i) {
    bool last = true;
    for (int j = i + 1; j < count; ++j) last = last && writes[j].key != writes[i].key;
    if (last && AsRead(writes[i].value) == writes[i].value)
      platform::SetProfileValue(again, kSection, writes[i].key, writes[i].value);
  }
  Check(again == text);
  return 0;
}
