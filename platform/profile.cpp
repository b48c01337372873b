#include "platform/profile.h"

#if defined(_WIN32)

#include <windows.h>

namespace platform {

int GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                          const char* fileName) {
  // The system returns the integer as UINT; negative values come back as
  // their two's complement.
  return static_cast<int>(::GetPrivateProfileIntA(section, key, defaultValue, fileName));
}

unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, unsigned bufferSize, const char* fileName) {
  return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, fileName);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  return ::WritePrivateProfileStringA(section, key, value, fileName) != FALSE;
}

}  // namespace platform

#else

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

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

// The file's bytes; empty for a missing file; nothing when the file is there
// but cannot be read, so that a write never replaces what it could not see.
std::optional<std::string> Load(const std::filesystem::path& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? std::optional<std::string>("") : std::nullopt;
  std::string bytes;
  char chunk[4096];
  ssize_t got;
  while ((got = read(fd, chunk, sizeof chunk)) != 0) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      close(fd);
      return std::nullopt;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
  }
  close(fd);
  return bytes;
}

// The value as the profile functions return it, if the key is there.
std::optional<std::string> ReadValue(const char* section, const char* key, const char* fileName) {
  assert(section != nullptr && key != nullptr && fileName != nullptr);
  const auto file = Load(fileName);
  if (!file) return std::nullopt;
  const Place place = Find(*file, section, key);
  if (!place.keyFound) return std::nullopt;
  std::string_view value(file->data() + place.valueBegin, place.valueEnd - place.valueBegin);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// Writes the new contents beside the file and renames them over it: rename
// replaces the name in one step, so a reader (or the next start after a
// crash) sees the old file or the new one, whole. A crash may leave the
// temporary file behind, never a cut settings file.
bool Replace(const std::filesystem::path& file, std::string_view contents) {
  struct stat old;
  const bool exists = stat(file.c_str(), &old) == 0;
  // Our rename needs only the folder to be writable; a file that may not be
  // written must stay as it is all the same.
  if (exists && (!S_ISREG(old.st_mode) || access(file.c_str(), W_OK) != 0)) return false;

  static std::atomic<unsigned> serial{0};
  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = file;
    temp.replace_filename("." + file.filename().string() + "." + std::to_string(getpid()) + "." +
                          std::to_string(serial++) + ".tmp");
    // 0666 lets the umask decide, as for any new file of the user.
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = (!exists || fchmod(fd, old.st_mode & 07777) == 0) && WriteAll(fd, contents) &&
            fsync(fd) == 0;  // the data is on disk before the name points at it
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), file.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

bool Writable(std::string_view name, std::string_view forbidden) {
  return !name.empty() && name.find_first_of(forbidden) == std::string_view::npos;
}

}  // namespace

int GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                          const char* fileName) {
  const auto value = ReadValue(section, key, fileName);
  if (!value || value->empty()) return defaultValue;
  std::size_t i = 0;
  const bool negative = (*value)[0] == '-';
  if (negative || (*value)[0] == '+') ++i;
  // Unsigned, so that long digit strings wrap as the system's reader does.
  std::uint32_t n = 0;
  for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i) {
    n = n * 10 + static_cast<std::uint32_t>((*value)[i] - '0');
  }
  return static_cast<int>(negative ? 0u - n : n);
}

unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, unsigned bufferSize, const char* fileName) {
  if (bufferSize == 0) return 0;
  std::string value;
  if (auto found = ReadValue(section, key, fileName)) {
    value = std::move(*found);
  } else if (defaultValue != nullptr) {
    value = defaultValue;
    value.erase(value.find_last_not_of(' ') + 1);
  }
  const std::size_t copied = std::min<std::size_t>(value.size(), bufferSize - 1);
  std::memcpy(buffer, value.data(), copied);
  buffer[copied] = '\0';
  return static_cast<unsigned>(copied);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  assert(section != nullptr && key != nullptr && value != nullptr && fileName != nullptr);
  if (!Writable(section, "\r\n]") || !Writable(key, "\r\n=") || !Writable(fileName, "") ||
      std::string_view(value).find_first_of("\r\n") != std::string_view::npos) {
    return false;
  }
  std::filesystem::path file = fileName;
  std::error_code ec;
  if (auto target = std::filesystem::canonical(file, ec); !ec) file = target;
  auto contents = Load(file);
  if (!contents) return false;
  std::string& text = *contents;

  const Place place = Find(text, section, key);
  const auto newline = text.find('\n');
  const std::string eol =
      newline != std::string::npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n" : "\n";
  const std::string keyLine = std::string(key) + "=" + value + eol;
  // The line we add after must end first.
  const auto endLine = [&](std::size_t at) {
    return at > 0 && text[at - 1] != '\n' ? eol : std::string();
  };
  if (place.keyFound) {
    text.replace(place.valueBegin, place.valueEnd - place.valueBegin, value);
  } else if (place.sectionFound) {
    text.insert(place.keyInsert, endLine(place.keyInsert) + keyLine);
  } else {
    text += endLine(text.size()) + "[" + section + "]" + eol + keyLine;
  }
  return Replace(file, text);
}

}  // namespace platform

#endif
