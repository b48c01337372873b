#include "tests/support/fault_injection.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>

#include <string_view>
#else
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testing_support {

#if defined(_WIN32)

std::string DiskFullText() {
  wchar_t text[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_DISK_FULL, 0, text, 256, nullptr);
  std::string utf8(1024, '\0');
  utf8.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), 1024, nullptr, nullptr)));
  while (!utf8.empty() && std::string_view(". \r\n", 5).find(utf8.back()) != std::string::npos)
    utf8.pop_back();
  return utf8;
}

// A process on Windows mounts nothing: the small drive is made outside.
SmallFilesystem::SmallFilesystem(std::uintmax_t) {
  const char* drive = std::getenv("TARNWICK_TEST_SMALL_DRIVE");
  if (drive == nullptr || *drive == '\0') {
    why_ = "no small drive (TARNWICK_TEST_SMALL_DRIVE; scripts/test-windows.sh maps one as root)";
    return;
  }
  root_ = std::filesystem::path(std::string(drive) + "\\") / dir_.path().filename();
  std::error_code ec;
  mounted_ = std::filesystem::create_directory(root_, ec);
  if (!mounted_) why_ = "the small drive " + std::string(drive) + " cannot be written";
}

SmallFilesystem::~SmallFilesystem() {
  std::error_code ec;
  if (mounted_) std::filesystem::remove_all(root_, ec);
}

void SmallFilesystem::Fill(const std::string& name) const {
  std::FILE* file = _wfopen((root_ / name).c_str(), L"wb");
  if (file == nullptr) return;
  std::setvbuf(file, nullptr, _IONBF, 0);
  const char block[4096] = {};
  while (std::fwrite(block, 1, sizeof block, file) == sizeof block) {
  }
  while (std::fwrite(block, 1, 1, file) == 1) {
  }
  std::fclose(file);
}
std::filesystem::path SmallFilesystem::FullFile() const {
  return path();  // not used: see SKIP_WITHOUT_FULL_FILE
}

FileSizeLimit::FileSizeLimit(std::uintmax_t) : previous_(0), previousHandler_(nullptr) {}
FileSizeLimit::~FileSizeLimit() = default;

bool MakeFifo(const std::filesystem::path&) {
  return false;
}
bool GiveLinkToAnotherUser(const std::filesystem::path&) {
  return false;
}

#else

std::string DiskFullText() {
  return "No space left on device";
}

SmallFilesystem::SmallFilesystem(std::uintmax_t bytes) : root_(dir_.path() / "fs") {
  std::filesystem::create_directory(path());
  if (geteuid() != 0) {
    why_ = "a small file system needs root to mount a tmpfs";
    return;
  }
  const std::string options = "size=" + std::to_string(bytes);
  mounted_ = mount("tmpfs", path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  if (!mounted_) why_ = "mounting a tmpfs failed: " + std::generic_category().message(errno);
}

SmallFilesystem::~SmallFilesystem() {
  if (mounted_) umount2(path().c_str(), MNT_DETACH);
}

void SmallFilesystem::Fill(const std::string& name) const {
  const int fd = open((path() / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const char block[4096] = {};
  while (fd >= 0 && write(fd, block, sizeof block) > 0) {
  }
  while (fd >= 0 && write(fd, block, 1) > 0) {
  }
  if (fd >= 0) close(fd);
}

std::filesystem::path SmallFilesystem::FullFile() const {
  Fill("filler");
  close(open((path() / "full").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
  return path() / "full";
}

bool MakeFifo(const std::filesystem::path& path) {
  return mkfifo(path.c_str(), 0666) == 0;
}

bool GiveLinkToAnotherUser(const std::filesystem::path& link) {
  constexpr uid_t kNobody = 65534;
  return lchown(link.c_str(), kNobody, kNobody) == 0;
}

FileSizeLimit::FileSizeLimit(std::uintmax_t bytes)
    : previousHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
  rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  previous_ = limit.rlim_cur;
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = previous_;
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previousHandler_);
}

#endif

}  // namespace testing_support
