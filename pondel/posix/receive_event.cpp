#include "pondel/receive_event.h"

#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace pondel::receive_event {

// An eventfd, which a write of 1 makes readable until the caller reads it.
void Signal(Com20020Event event) {
  const std::uint64_t one = 1;
  // A full counter (EAGAIN) means the event is signalled already.
  if (::write(event, &one, sizeof one) < 0) return;
}

bool Usable(Com20020Event event) {
  if (event < 0 || fcntl(event, F_GETFD) < 0) return false;  // not open
  // The kernel names what an anonymous descriptor is.
  char name[64];
  const std::string link = "/proc/self/fd/" + std::to_string(event);
  const ssize_t length = readlink(link.c_str(), name, sizeof name);
  if (length >= 0) {
    if (std::string_view(name, static_cast<std::size_t>(length)) != "anon_inode:[eventfd]")
      return false;
    // A read of a semaphore-mode eventfd takes 1 from its count instead of
    // resetting it: not an auto-reset event. The kernel says which mode in
    // the descriptor's fdinfo (older kernels do not say, and then it cannot be told).
    std::ifstream info("/proc/self/fdinfo/" + std::to_string(event));
    for (std::string line; std::getline(info, line);)
      if (line.starts_with("eventfd-semaphore:")) return line.find('1') == std::string::npos;
    return true;
  }
  // Without /proc: an anonymous inode (no file type at all) is as near as
  // the descriptor itself tells.
  struct stat info;
  return fstat(event, &info) == 0 && (info.st_mode & S_IFMT) == 0;
}

std::optional<Com20020Event> Duplicate(Com20020Event event) {
  const int copy = fcntl(event, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return std::nullopt;
  return copy;
}

void Release(Com20020Event event) {
  close(event);
}

}  // namespace pondel::receive_event
