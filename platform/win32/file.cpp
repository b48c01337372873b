#include "platform/file.h"

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/text_encoding.h"
#include "platform/win32/text_encoding.h"

namespace platform {

constexpr std::string_view kLineEnd = "\r\n";

bool IsPipe(const char* name) {
  constexpr std::string_view kPipes = "\\\\.\\pipe\\";
  return std::string_view(name).substr(0, kPipes.size()) == kPipes;
}

std::FILE* OpenPipeToRead(const char* name) {
  return IsPipe(name) ? OpenCFile(name, "rb") : nullptr;
}

namespace {

HANDLE Native(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

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
    : keepWaiting_(std::move(keepWaiting)) {
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
  handle_ = reinterpret_cast<std::intptr_t>(handle);
}

OutputFile OutputFile::StandardOutput(KeepWaiting) {
  HANDLE copy = INVALID_HANDLE_VALUE;
  const HANDLE process = GetCurrentProcess();
  OutputFile file(reinterpret_cast<std::intptr_t>(
      DuplicateHandle(process, GetStdHandle(STD_OUTPUT_HANDLE), process, &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS)
          ? copy
          : INVALID_HANDLE_VALUE));
  if (!file.is_open()) file.Fail();
  return file;
}

OutputFile::~OutputFile() {
  if (is_open()) CloseHandle(Native(handle_));
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
  if (!is_open() || GetFileType(Native(handle_)) != FILE_TYPE_PIPE) return false;
  return !PeekNamedPipe(Native(handle_), nullptr, 0, nullptr, nullptr, nullptr) &&
         ReaderLeft(GetLastError());
}

std::size_t OutputFile::Write(const void* bytes, std::size_t size) {
  const char* next = static_cast<const char*>(bytes);
  std::size_t written = 0;
  while (written < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - written, 1u << 30));
    DWORD put = 0;
    if (!WriteFile(Native(handle_), next + written, chunk, &put, nullptr) || put == 0) {
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
  if (GetFileType(Native(handle_)) == FILE_TYPE_DISK &&
      SetFilePointerEx(Native(handle_), at, nullptr, FILE_BEGIN) && SetEndOfFile(Native(handle_))) {
    return true;
  }
  Fail();
  return false;
}

bool OutputFile::Close() {
  const bool closed = CloseHandle(Native(std::exchange(handle_, kNoHandle))) != FALSE;
  if (!closed) Fail();
  return closed;
}

}  // namespace platform
