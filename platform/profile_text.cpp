#include "platform/profile_text.h"

#include <algorithm>
#include <cstdint>

namespace platform {
namespace {

// The line ending is part of a line as we scan it, so it counts as a blank.
constexpr std::string_view kBlanks = " \t\v\f\r\n";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  return std::ranges::equal(a, b, {}, lower, lower);
}

// Where a key stands in the file's bytes.
struct Place {
  bool sectionFound = false;
  // After the section's last non-blank line: where a new key goes.
  std::size_t keyInsert = 0;
  bool keyFound = false;
  // The value without the blanks around it.
  std::size_t valueBegin = 0;
  std::size_t valueEnd = 0;
};

Place Find(std::string_view file, std::string_view section, std::string_view key) {
  Place place;
  // A byte-order mark from an editor must not hide the first section line.
  std::size_t pos = file.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (pos < file.size()) {
    const auto newline = file.find('\n', pos);
    const std::size_t next = newline == std::string_view::npos ? file.size() : newline + 1;
    const std::string_view line = file.substr(pos, next - pos);
    const std::string_view text = Trim(line);
    if (text.starts_with('[')) {
      // Only the first section of the name counts, as with Windows.
      if (place.sectionFound) break;
      const std::string_view name = Trim(text.substr(1, text.find(']') - 1));
      if (SameName(name, section)) {
        place.sectionFound = true;
        place.keyInsert = next;
      }
    } else if (place.sectionFound && !text.empty()) {
      place.keyInsert = next;
      const auto equals = line.find('=');
      if (!text.starts_with(';') && equals != std::string_view::npos &&
          SameName(Trim(line.substr(0, equals)), key)) {
        // A carriage return ends the value even alone, as it ends a line for
        // the system's reader: the bytes after it are no part of the value.
        const std::string_view rest = line.substr(equals + 1);
        const std::string_view value = Trim(rest.substr(0, rest.find_first_of("\r\n")));
        place.keyFound = true;
        place.valueBegin = value.empty() ? pos + equals + 1 : value.data() - file.data();
        place.valueEnd = place.valueBegin + value.size();
        return place;
      }
    }
    pos = next;
  }
  return place;
}

bool Writable(std::string_view name, std::string_view forbidden) {
  return !name.empty() && name.find_first_of(forbidden) == std::string_view::npos;
}

}  // namespace

std::optional<std::string_view> FindProfileValue(std::string_view text, std::string_view section,
                                                 std::string_view key) {
  const Place place = Find(text, section, key);
  if (!place.keyFound) return std::nullopt;
  std::string_view value = text.substr(place.valueBegin, place.valueEnd - place.valueBegin);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

namespace {

struct Digits {
  bool negative = false;
  std::uint64_t magnitude = 0;  // modulo 2^64
  bool overflowed = false;      // the digits state more than 64 bits hold
};

Digits ReadDigits(std::string_view value) {
  Digits digits;
  std::size_t i = 0;
  digits.negative = !value.empty() && value[0] == '-';
  if (digits.negative || (!value.empty() && value[0] == '+')) ++i;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    const auto digit = static_cast<std::uint64_t>(value[i] - '0');
    if (digits.magnitude > (UINT64_MAX - digit) / 10) digits.overflowed = true;
    digits.magnitude = digits.magnitude * 10 + digit;
  }
  return digits;
}

}  // namespace

int ProfileValueAsInt(std::string_view value) {
  // Unsigned, so that long digit strings wrap as the system's reader does.
  const Digits digits = ReadDigits(value);
  const auto n = static_cast<std::uint32_t>(digits.magnitude);
  return static_cast<int>(digits.negative ? 0u - n : n);
}

std::int64_t ProfileValueAsWholeNumber(std::string_view value) {
  const Digits digits = ReadDigits(value);
  if (digits.overflowed || digits.magnitude > std::uint64_t{INT64_MAX})
    return digits.negative ? INT64_MIN : INT64_MAX;
  const auto n = static_cast<std::int64_t>(digits.magnitude);
  return digits.negative ? -n : n;
}

bool SetProfileValue(std::string& text, std::string_view section, std::string_view key,
                     std::string_view value) {
  if (!Writable(section, "\r\n]") || !Writable(key, "\r\n=") ||
      value.find_first_of("\r\n") != std::string_view::npos) {
    return false;
  }
  const Place place = Find(text, section, key);
  const auto newline = text.find('\n');
  const std::string eol =
      newline != std::string::npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
  const std::string keyLine = std::string(key) + "=" + std::string(value) + eol;
  // The line we add after must end first.
  const auto endLine = [&](std::size_t at) {
    return at > 0 && text[at - 1] != '\n' ? eol : std::string();
  };
  if (place.keyFound) {
    text.replace(place.valueBegin, place.valueEnd - place.valueBegin, value);
  } else if (place.sectionFound) {
    text.insert(place.keyInsert, endLine(place.keyInsert) + keyLine);
  } else {
    text += endLine(text.size()) + "[" + std::string(section) + "]" + eol + keyLine;
  }
  return true;
}

}  // namespace platform
