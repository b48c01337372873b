#include "platform/file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

constexpr std::string_view kLineEnd = "\n";

namespace {

constexpr auto kWaitSliceMs = 50;

// A symbolic link is followed only when it belongs to the caller or to the
// folder's owner: the rule the kernel's protected_symlinks applies in
// sticky shared folders, here in every folder, since one that others may
// write to without the sticky bit is as open to a planted link.
bool MayFollowLink(const char* name, uid_t owner) {
  if (owner == geteuid()) return true;
  const std::string folder = std::filesystem::path(name).parent_path().string();
  struct stat status {};
  return stat(folder.empty() ? "." : folder.c_str(), &status) == 0 && status.st_uid == owner;
}

// Every path reaches the system here. Opens `name` to write without waiting
// for a FIFO's reader (ENXIO when there is none) and never creates a file
// through a symbolic link; `refusal` says why when it refused a link.
int OpenPath(const char* name, int flags, const char*& refusal) {
  constexpr int kCommon = O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
  const int fd = open(name, kCommon | flags | O_NOFOLLOW, 0666);
  if (fd >= 0 || errno != ELOOP) return fd;
  struct stat link {};
  if (lstat(name, &link) != 0 || !S_ISLNK(link.st_mode)) {
    errno = ELOOP;  // a loop on the way, in the system's words
    return -1;
  }
  if (!MayFollowLink(name, link.st_uid)) {
    refusal = "a symbolic link owned by another user";
    return -1;
  }
  const int followed = open(name, kCommon);
  if (followed < 0 && errno == ENOENT) refusal = "a symbolic link to a file that does not exist";
  return followed;
}

// Polls in slices while the reader takes nothing: true once there is room
// (or an error that the write will report), false when told to give up.
bool WaitForRoom(int fd, const KeepWaiting& keepWaiting) {
  for (;;) {
    pollfd p{fd, POLLOUT, 0};
    const int ready = poll(&p, 1, keepWaiting ? kWaitSliceMs : -1);
    if (ready > 0 || (ready < 0 && errno != EINTR)) return true;
    if (keepWaiting && !keepWaiting()) return false;
  }
}

}  // namespace

OutputFile::OutputFile(const char* name, OutputKind kind, KeepWaiting keepWaiting)
    : keepWaiting_(std::move(keepWaiting)) {
  const bool file = kind == OutputKind::kFile;
  const char* refusal = nullptr;
  int fd;
  // A FIFO's reader is waited for in slices, so that giving up is possible.
  while ((fd = OpenPath(name, file ? O_CREAT : 0, refusal)) < 0 && errno == ENXIO && !file &&
         keepWaiting_ && keepWaiting_()) {
    poll(nullptr, 0, kWaitSliceMs);
  }
  struct stat status {};
  if (fd < 0 && errno == ENXIO && refusal == nullptr) {
    refusal = file ? kNotAFile : "no one reads it";
  } else if (fd >= 0 && fstat(fd, &status) == 0 &&
             !(file ? S_ISREG(status.st_mode) : S_ISFIFO(status.st_mode))) {
    refusal = file ? kNotAFile : "not a FIFO";
  } else if (fd >= 0 && file && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    // Locked before it is emptied. A file system without locks (ENOLCK) is
    // written unlocked, as before.
    refusal = kHeldByAnother;
  }
  if (refusal != nullptr) {
    error_ = refusal;
  } else if (fd < 0 || (file && ftruncate(fd, 0) != 0)) {
    Fail();
  } else {
    handle_ = fd;
    waitsForRoom_ = !file;
    return;
  }
  if (fd >= 0) close(fd);
}

bool IsPipe(const char* name) {
  struct stat status {};
  return stat(name, &status) == 0 && S_ISFIFO(status.st_mode);
}

// Looked at first without waiting for the writer, and kept open until the
// waiting open has the writer, so the writer never finds the FIFO without
// a reader; both must be the same FIFO.
std::FILE* OpenPipeToRead(const char* name) {
  const int looked = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (looked < 0) return nullptr;
  struct stat first {};
  struct stat second {};
  const int fd =
      fstat(looked, &first) == 0 && S_ISFIFO(first.st_mode) ? open(name, O_RDONLY | O_CLOEXEC) : -1;
  close(looked);
  if (fd >= 0 && fstat(fd, &second) == 0 && second.st_dev == first.st_dev &&
      second.st_ino == first.st_ino) {
    if (std::FILE* stream = fdopen(fd, "rb")) return stream;
  }
  if (fd >= 0) close(fd);
  return nullptr;
}

OutputFile OutputFile::StandardOutput(KeepWaiting keepWaiting) {
  OutputFile file(fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
  if (!file.is_open()) file.Fail();
  struct stat status {};
  // A pipe is waited on before each write, so that a reader that does not
  // read never holds the writer in write().
  file.waitsForRoom_ = file.is_open() && fstat(static_cast<int>(file.handle_), &status) == 0 &&
                       S_ISFIFO(status.st_mode);
  file.keepWaiting_ = std::move(keepWaiting);
  return file;
}

OutputFile::~OutputFile() {
  if (is_open()) close(static_cast<int>(handle_));
}

bool OutputFile::ReaderGone() const {
  // The writing end of a pipe or FIFO that no one reads polls as an error;
  // a file never does.
  pollfd p{static_cast<int>(handle_), POLLOUT, 0};
  return readerGone_ || (is_open() && poll(&p, 1, 0) == 1 && (p.revents & POLLERR) != 0);
}

std::size_t OutputFile::Write(const void* bytes, std::size_t size) {
  const int fd = static_cast<int>(handle_);
  const char* next = static_cast<const char*>(bytes);
  std::size_t written = 0;
  while (written < size) {
    if (waitsForRoom_ && !WaitForRoom(fd, keepWaiting_)) {
      error_ = "given up while its reader took nothing";
      break;
    }
    // Once a pipe has room, a write of at most PIPE_BUF bytes does not block.
    const std::size_t chunk =
        waitsForRoom_ ? std::min<std::size_t>(size - written, PIPE_BUF) : size - written;
    const ssize_t put = write(fd, next + written, chunk);
    if (put < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (put <= 0) {
      if (put == 0) errno = EIO;  // no progress and no reason: do not spin
      readerGone_ = errno == EPIPE;
      Fail();
      break;
    }
    written += static_cast<std::size_t>(put);
  }
  return written;
}

bool OutputFile::Truncate(std::uint64_t size) {
  if (ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) == 0) return true;
  Fail();
  return false;
}

bool OutputFile::Close() {
  // Linux closes the descriptor even when close reports an error: never retry.
  const bool closed = close(static_cast<int>(std::exchange(handle_, kNoHandle))) == 0;
  if (!closed) Fail();
  return closed;
}

}  // namespace platform
