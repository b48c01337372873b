#include "platform/profile.h"

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
