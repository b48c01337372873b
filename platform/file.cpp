#include "platform/file.h"

#include <utility>

#include "platform/last_error.h"
#include "platform/text_encoding.h"

#if defined(_WIN32)
#include <windows.h>

#include <algorithm>
#include <string_view>
#else
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

#if defined(_WIN32)

namespace {

bool IsNamedPipe(const char* name) {
  constexpr std::string_view kPipes = "\\\\.\\pipe\\";
  return std::string_view(name).substr(0, kPipes.size()) == kPipes;
}

}  // namespace

bool IsPipe(const char* name) {
  return IsNamedPipe(name);
}

// A named pipe exists already (its server made it): it is opened, never
// created, and with read access too, which PeekNamedPipe needs to tell
// whether the server has closed it.
OutputFile::OutputFile(const char* name)
    : handle_(IsNamedPipe(name)
                  ? CreateFileW(ToUtf16(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                  : CreateFileW(ToUtf16(name).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr)) {
  if (handle_ == INVALID_HANDLE_VALUE) Fail();
}

OutputFile OutputFile::StandardOutput() {
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
      readerGone_(other.readerGone_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  std::swap(handle_, other.handle_);
  std::swap(error_, other.error_);
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

OutputFile::OutputFile(const char* name)
    : fd_(open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {
  if (fd_ < 0) Fail();
}

bool IsPipe(const char* name) {
  struct stat status {};
  return stat(name, &status) == 0 && S_ISFIFO(status.st_mode);
}

OutputFile OutputFile::StandardOutput() {
  OutputFile file(fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0));
  if (!file.is_open()) file.Fail();
  return file;
}

OutputFile::~OutputFile() {
  if (is_open()) close(fd_);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      error_(std::move(other.error_)),
      readerGone_(other.readerGone_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
  std::swap(fd_, other.fd_);
  std::swap(error_, other.error_);
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

std::size_t OutputFile::Write(const void* bytes, std::size_t size) {
  const char* next = static_cast<const char*>(bytes);
  std::size_t written = 0;
  while (written < size) {
    const ssize_t put = write(fd_, next + written, size - written);
    if (put < 0 && errno == EINTR) continue;
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
