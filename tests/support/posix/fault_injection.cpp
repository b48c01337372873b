#include "tests/support/fault_injection.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace testing_support {

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

bool SmallFilesystem::MakesFullFiles() {
  return true;
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

bool FileSizeLimit::Supported() {
  return true;
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

}  // namespace testing_support
