#include "platform/profile.h"

#if defined(_WIN32)

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/last_error.h"
#include "platform/text_encoding.h"

// The W functions throughout: the names are UTF-8, and the A functions
// would read them in the ANSI code page, missing a profile folder such as
// C:\users\Jörg. Keys and sections are ASCII; values pass as UTF-16 too.
namespace platform {

int GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                          const char* fileName) {
  // The system returns the integer as UINT; negative values come back as
  // their two's complement.
  return static_cast<int>(::GetPrivateProfileIntW(ToUtf16(section).c_str(), ToUtf16(key).c_str(),
                                                  defaultValue, ToUtf16(fileName).c_str()));
}

unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, unsigned bufferSize, const char* fileName) {
  if (bufferSize == 0) return 0;
  // The whole value in UTF-16 first (a value that fills the buffer may have
  // been cut), then as much of its UTF-8 as fits, cut between characters.
  std::vector<wchar_t> wide(std::max(bufferSize, 64u));
  for (;;) {
    const DWORD length = ::GetPrivateProfileStringW(
        ToUtf16(section).c_str(), ToUtf16(key).c_str(),
        defaultValue != nullptr ? ToUtf16(defaultValue).c_str() : L"", wide.data(),
        static_cast<DWORD>(wide.size()), ToUtf16(fileName).c_str());
    if (length + 1 < wide.size()) {
      const std::string value = ToUtf8(std::wstring_view(wide.data(), length));
      std::size_t copied = std::min<std::size_t>(value.size(), bufferSize - 1);
      if (copied < value.size())
        while (copied > 0 && (static_cast<unsigned char>(value[copied]) & 0xC0) == 0x80) --copied;
      std::copy_n(value.data(), copied, buffer);
      buffer[copied] = '\0';
      return copied < value.size() ? bufferSize - 1 : static_cast<unsigned>(copied);
    }
    wide.resize(wide.size() * 2);
  }
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  return ::WritePrivateProfileStringW(ToUtf16(section).c_str(), ToUtf16(key).c_str(),
                                      ToUtf16(value).c_str(), ToUtf16(fileName).c_str()) != FALSE;
}

std::optional<std::string> WritePrivateProfileStrings(const char* section,
                                                      std::span<const ProfileString> strings,
                                                      const char* fileName) {
  // The system's own functions, applied to a copy beside the file that then
  // replaces it in one step (ReplaceFile keeps the old file's attributes and
  // security); on any failure the copy goes and the file stays as it was.
  const std::wstring file = ToUtf16(fileName);
  const std::wstring temp = file + L".new";
  const std::wstring sectionName = ToUtf16(section);
  const DWORD attributes = GetFileAttributesW(file.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "it is not a regular file";
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return "it is read-only";
  std::optional<std::string> failure;
  if (exists && !CopyFileW(file.c_str(), temp.c_str(), FALSE)) {
    // A copy cut short by a full disk is not left beside the file.
    failure = LastErrorText();
    DeleteFileW(temp.c_str());
    return failure;
  }
  for (const ProfileString& string : strings) {
    if (!::WritePrivateProfileStringW(sectionName.c_str(), ToUtf16(string.key).c_str(),
                                      ToUtf16(string.value).c_str(), temp.c_str())) {
      failure = LastErrorText();
      break;
    }
  }
  // Out of the system's cache and into the copy before it replaces the file.
  // This call always returns FALSE, as documented, whether the flush worked
  // or not: what it wrote is checked by the replacement.
  if (!failure) ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, temp.c_str());
  if (!failure && !(exists ? ReplaceFileW(file.c_str(), temp.c_str(), nullptr,
                                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                           : MoveFileExW(temp.c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH))) {
    failure = LastErrorText();
  }
  if (failure) DeleteFileW(temp.c_str());
  return failure;
}

}  // namespace platform

#else

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/last_error.h"
#include "platform/profile_text.h"

namespace platform {
namespace {

// Far more than any settings file holds; a file beyond it is not one.
constexpr off_t kLargestFile = 1 << 20;

// What is in the file, or why it cannot serve as a profile file: only a
// regular file of a sane size is read, so a FIFO cannot hang us and a link to
// a device cannot fill the memory.
struct Contents {
  bool exists = false;
  struct stat info = {};
  std::string bytes;
  std::string problem;  // empty when the file is missing or was read
};

Contents Load(const std::filesystem::path& file) {
  Contents contents;
  // Non-blocking: opening a FIFO must not wait for a writer.
  const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) contents.problem = LastErrorText();
    return contents;
  }
  contents.exists = true;
  if (fstat(fd, &contents.info) != 0) {
    contents.problem = LastErrorText();
  } else if (!S_ISREG(contents.info.st_mode)) {
    contents.problem = "it is not a regular file";
  } else {
    char chunk[4096];
    ssize_t got;
    while (contents.bytes.size() <= static_cast<std::size_t>(kLargestFile) &&
           (got = read(fd, chunk, sizeof chunk)) != 0) {
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        contents.problem = LastErrorText();
        break;
      }
      contents.bytes.append(chunk, static_cast<std::size_t>(got));
    }
    if (contents.bytes.size() > static_cast<std::size_t>(kLargestFile))
      contents.problem = "it is larger than 1 MiB";
  }
  close(fd);
  if (!contents.problem.empty()) contents.bytes.clear();
  return contents;
}

// The value as the profile functions return it, if the key is there. A file
// that cannot be read counts as missing, as with Windows.
std::optional<std::string> ReadValue(const char* section, const char* key, const char* fileName) {
  assert(section != nullptr && key != nullptr && fileName != nullptr);
  const Contents file = Load(fileName);
  if (!file.problem.empty()) return std::nullopt;
  const auto value = FindProfileValue(file.bytes, section, key);
  return value ? std::optional<std::string>(*value) : std::nullopt;
}

// The file a name stands for: symbolic links followed to their target, also
// when that target does not exist yet, as the Windows functions write through
// a link. Empty after too many links.
std::filesystem::path FollowLinks(std::filesystem::path file) {
  for (int links = 0; links < 40; ++links) {
    struct stat info;
    if (lstat(file.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return file;
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(file, ec);
    if (ec) return file;
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  errno = ELOOP;
  return {};
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

// The new file starts as the old one's copy would: same owner, same mode.
bool KeepOwnerAndMode(int fd, const struct stat& old) {
  struct stat now;
  if (fstat(fd, &now) != 0) return false;
  // Before the mode: a change of owner clears the set-ID bits.
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
      fchown(fd, old.st_uid, old.st_gid) != 0) {
    return false;
  }
  return fchmod(fd, old.st_mode & 07777) == 0;
}

// Writes the new contents beside the file and renames them over it: rename
// replaces the name in one step, so a reader (or the next start after a
// crash) sees the old file or the new one, whole. A crash may leave the
// temporary file behind, never a cut settings file.
std::optional<std::string> Replace(const std::filesystem::path& file, const Contents& old,
                                   std::string_view contents) {
  // Read-only by the file's own permission bits, as Windows' read-only
  // attribute: access() alone lets root write anything.
  if (old.exists && ((old.info.st_mode & 0222) == 0 || access(file.c_str(), W_OK) != 0))
    return "it is read-only";

  static std::atomic<unsigned> serial{0};
  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temp = file;
    temp.replace_filename("." + file.filename().string() + "." + std::to_string(getpid()) + "." +
                          std::to_string(serial++) + ".tmp");
    // 0666 lets the umask decide, as for any new file of the user.
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return LastErrorText();
  }
  if (fd < 0) return LastErrorText();

  bool ok = (!old.exists || KeepOwnerAndMode(fd, old.info)) && WriteAll(fd, contents) &&
            fsync(fd) == 0;  // the data is on disk before the name points at it
  std::string failure = ok ? std::string() : LastErrorText();
  if (close(fd) != 0 && ok) {
    ok = false;
    failure = LastErrorText();
  }
  if (ok && rename(temp.c_str(), file.c_str()) != 0) {
    ok = false;
    failure = LastErrorText();
  }
  if (!ok) {
    unlink(temp.c_str());
    return failure;
  }
  // The new name on disk too; a folder that cannot be synced loses nothing
  // that a crash would not.
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
  if (const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return std::nullopt;
}

}  // namespace

int GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                          const char* fileName) {
  const auto value = ReadValue(section, key, fileName);
  if (!value || value->empty()) return defaultValue;
  return ProfileValueAsInt(*value);
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
  assert(value != nullptr);
  const ProfileString one{key, value};
  return !WritePrivateProfileStrings(section, {&one, 1}, fileName);
}

std::optional<std::string> WritePrivateProfileStrings(const char* section,
                                                      std::span<const ProfileString> strings,
                                                      const char* fileName) {
  assert(section != nullptr && fileName != nullptr);
  if (fileName[0] == '\0') return "the file has no name";
  const std::filesystem::path file = FollowLinks(fileName);
  if (file.empty()) return LastErrorText();
  Contents contents = Load(file);
  if (!contents.problem.empty()) return contents.problem;
  std::string text = contents.bytes;
  for (const ProfileString& string : strings) {
    assert(string.key != nullptr);
    if (!SetProfileValue(text, section, string.key, string.value))
      return "\"" + std::string(string.key) + "\" holds a line break or a separator";
  }
  return Replace(file, contents, text);
}

}  // namespace platform

#endif
