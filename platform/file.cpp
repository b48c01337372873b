#include "platform/file.h"

#include <utility>

#include "platform/last_error.h"
#include "platform/text_encoding.h"

#if defined(_WIN32)
#include <windows.h>

#include <algorithm>
#include <string_view>
#else
#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

constexpr char kNotAFile[] = "not a regular file";
constexpr char kHeldByAnother[] = "another program is writing it";

}  // namespace

#if defined(_WIN32)

bool IsPipe(const char* name) {
  constexpr std::string_view kPipes = "\\\\.\\pipe\\";
  return std::string_view(name).substr(0, kPipes.size()) == kPipes;
}

std::FILE* OpenPipeToRead(const char* name) {
  return IsPipe(name) ? OpenCFile(name, "rb") : nullptr;
}

namespace {

// Every path reaches the system here.
HANDLE OpenPath(const char* name, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileW(ToUtf16(name).c_str(), access, share, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

// The share mode is the lock: readers (Wireshark) may open the file, a
// second writer may not, and it is refused before anything is emptied.
// Symbolic links are followed: making one takes a privilege that ordinary
// users lack, so none is planted in a shared folder.
//
// A named pipe exists already (its server made it): it is opened, never
// created, and with read access too, which PeekNamedPipe needs to tell
// whether the server has closed it.
OutputFile::OutputFile(const char* name, OutputKind kind, KeepWaiting keepWaiting)
    : handle_(INVALID_HANDLE_VALUE), keepWaiting_(std::move(keepWaiting)) {
  const bool file = kind == OutputKind::kFile;
  HANDLE handle = file ? OpenPath(name, GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS)
                       : OpenPath(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
  // A server that only reads (PIPE_ACCESS_INBOUND, as Wireshark makes its
  // capture pipe) refuses a client that asks to read: write only, and learn
  // of the reader's going from a refused write.
  if (!file && handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    handle = OpenPath(name, GENERIC_WRITE, 0, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_SHARING_VIOLATION && file)
      error_ = kHeldByAnother;
    else
      Fail();
    return;
  }
  const DWORD type = GetFileType(handle);
  if (file ? type != FILE_TYPE_DISK : type != FILE_TYPE_PIPE) {
    CloseHandle(handle);
    error_ = file ? kNotAFile : "not a named pipe";
    return;
  }
  if (file && !SetEndOfFile(handle)) {
    Fail();
    CloseHandle(handle);
    return;
  }
  handle_ = handle;
}

OutputFile OutputFile::StandardOutput(KeepWaiting) {
  HANDLE copy = INVALID_HANDLE_VALUE;
  const HANDLE process = GetCurrentProcess();
  OutputFile file(DuplicateHandle(process, GetStdHandle(STD_OUTPUT_HANDLE), process, &copy, 0,
                                  FALSE, DUPLICATE_SAME_ACCESS)
                      ? copy
                      : INVALID_HANDLE_VALUE);
  if (!file.is_open()) file.Fail();
  return file;
}

OutputFile::~OutputFile() {
  if (is_open()) CloseHandle(handle_);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)),
      error_(std::move(other.error_)),
      keepWaiting_(std::move(other.keepWaiting_)),
      waitsForRoom_(other.waitsForRoom_),
      readerGone_(other.readerGone_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  std::swap(handle_, other.handle_);
  std::swap(error_, other.error_);
  std::swap(keepWaiting_, other.keepWaiting_);
  std::swap(waitsForRoom_, other.waitsForRoom_);
  std::swap(readerGone_, other.readerGone_);
  return *this;
}

bool OutputFile::is_open() const {
  return handle_ != INVALID_HANDLE_VALUE;
}

namespace {

bool ReaderLeft(DWORD why) {
  return why == ERROR_BROKEN_PIPE || why == ERROR_PIPE_NOT_CONNECTED || why == ERROR_NO_DATA;
}

}  // namespace

// PeekNamedPipe needs read access, which a named pipe opened here has and
// standard output may not: there only a refused write tells.
bool OutputFile::ReaderGone() const {
  if (readerGone_) return true;
  if (!is_open() || GetFileType(handle_) != FILE_TYPE_PIPE) return false;
  return !PeekNamedPipe(handle_, nullptr, 0, nullptr, nullptr, nullptr) &&
         ReaderLeft(GetLastError());
}

std::size_t OutputFile::Write(const void* bytes, std::size_t size) {
  const char* next = static_cast<const char*>(bytes);
  std::size_t written = 0;
  while (written < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - written, 1u << 30));
    DWORD put = 0;
    if (!WriteFile(handle_, next + written, chunk, &put, nullptr) || put == 0) {
      readerGone_ = ReaderLeft(GetLastError());
      Fail();
      break;
    }
    written += put;
  }
  return written;
}

bool OutputFile::Truncate(std::uint64_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  if (GetFileType(handle_) == FILE_TYPE_DISK &&
      SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle_)) {
    return true;
  }
  Fail();
  return false;
}

bool OutputFile::Close() {
  const bool closed = CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE;
  if (!closed) Fail();
  return closed;
}

#else

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

}  // namespace

OutputFile::OutputFile(const char* name, OutputKind kind, KeepWaiting keepWaiting)
    : fd_(-1), keepWaiting_(std::move(keepWaiting)) {
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
    fd_ = fd;
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
  file.waitsForRoom_ = file.is_open() && fstat(file.fd_, &status) == 0 && S_ISFIFO(status.st_mode);
  file.keepWaiting_ = std::move(keepWaiting);
  return file;
}

OutputFile::~OutputFile() {
  if (is_open()) close(fd_);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      error_(std::move(other.error_)),
      keepWaiting_(std::move(other.keepWaiting_)),
      waitsForRoom_(other.waitsForRoom_),
      readerGone_(other.readerGone_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  std::swap(fd_, other.fd_);
  std::swap(error_, other.error_);
  std::swap(keepWaiting_, other.keepWaiting_);
  std::swap(waitsForRoom_, other.waitsForRoom_);
  std::swap(readerGone_, other.readerGone_);
  return *this;
}

bool OutputFile::is_open() const {
  return fd_ >= 0;
}

bool OutputFile::ReaderGone() const {
  // The writing end of a pipe or FIFO that no one reads polls as an error;
  // a file never does.
  pollfd p{fd_, POLLOUT, 0};
  return readerGone_ || (is_open() && poll(&p, 1, 0) == 1 && (p.revents & POLLERR) != 0);
}

// Polls in slices while the reader takes nothing: true once there is room
// (or an error that the write will report), false when told to give up.
bool OutputFile::WaitForRoom() {
  for (;;) {
    pollfd p{fd_, POLLOUT, 0};
    const int ready = poll(&p, 1, keepWaiting_ ? kWaitSliceMs : -1);
    if (ready > 0 || (ready < 0 && errno != EINTR)) return true;
    if (keepWaiting_ && !keepWaiting_()) return false;
  }
}

std::size_t OutputFile::Write(const void* bytes, std::size_t size) {
  const char* next = static_cast<const char*>(bytes);
  std::size_t written = 0;
  while (written < size) {
    if (waitsForRoom_ && !WaitForRoom()) {
      error_ = "given up while its reader took nothing";
      break;
    }
    // Once a pipe has room, a write of at most PIPE_BUF bytes does not block.
    const std::size_t chunk =
        waitsForRoom_ ? std::min<std::size_t>(size - written, PIPE_BUF) : size - written;
    const ssize_t put = write(fd_, next + written, chunk);
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
  if (ftruncate(fd_, static_cast<off_t>(size)) == 0) return true;
  Fail();
  return false;
}

bool OutputFile::Close() {
  // Linux closes the descriptor even when close reports an error: never retry.
  const bool closed = close(std::exchange(fd_, -1)) == 0;
  if (!closed) Fail();
  return closed;
}

#endif

void OutputFile::Fail() {
  error_ = LastErrorText();
}

}  // namespace platform
