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
        const std::string_view value = Trim(line.substr(equals + 1));
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

int ProfileValueAsInt(std::string_view value) {
  std::size_t i = 0;
  const bool negative = !value.empty() && value[0] == '-';
  if (negative || (!value.empty() && value[0] == '+')) ++i;
  // Unsigned, so that long digit strings wrap as the system's reader does.
  std::uint32_t n = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    n = n * 10 + static_cast<std::uint32_t>(value[i] - '0');
  }
  return static_cast<int>(negative ? 0u - n : n);
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
