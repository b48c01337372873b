// Files that we write with our own buffering (the capture files, and the
// pcap stream a live capture writes into a FIFO or standard output): every
// write says how many bytes reached the file, so a caller always knows where
// its last whole record ends and can cut the file back to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The platform's line end in a text file: what a text-mode stream of the C
// runtime writes for '\n'.
extern const std::string_view kLineEnd;

// A FIFO, or on Windows a named pipe.
bool IsPipe(const char* name);

// An existing FIFO, or on Windows a named pipe, opened to read as a C
// stream, once its writer has opened it; null for anything else, which is
// left unread.
std::FILE* OpenPipeToRead(const char* name);

// What OutputFile opens a name as; anything else is refused.
enum class OutputKind {
  // A regular file: created, or emptied once it is held. Held exclusively
  // until closed (an advisory lock on Linux, a share mode on Windows), so a
  // second writer is refused before it has emptied anything. Never a FIFO, a
  // device or a folder; never through a symbolic link owned by someone other
  // than the caller or the folder's owner, nor through a link to no file.
  kFile,
  // A FIFO, or on Windows a named pipe, that exists already: opened once its
  // reader has opened it, never created or emptied.
  kPipe,
};

// Asked every 50 ms while a pipe waits for its reader to open it or to take
// more: false gives up. Unset: a pipe without a reader is refused at once,
// and a write waits as long as its reader does not read. Windows asks
// nothing: its named pipe is opened and written as it comes.
using KeepWaiting = std::function<bool()>;

class OutputFile {
 public:
  // Opens `name` as `kind`, without ever waiting for a FIFO's reader unless
  // `keepWaiting` says to. See is_open() and error().
  OutputFile(const char* name, OutputKind kind, KeepWaiting keepWaiting = {});
  // The process's standard output, written byte for byte: through its
  // descriptor or handle, never through a text-mode C stream, so no line end
  // is rewritten. Closing it leaves the process's own standard output open.
  static OutputFile StandardOutput(KeepWaiting keepWaiting = {});
  ~OutputFile();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool is_open() const;

  // A pipe or FIFO whose reader has closed its end: nothing written will
  // ever be read. Asked without writing, so an idle writer learns it too,
  // where the system can tell; a write refused for that reason tells it
  // everywhere. False for a file.
  bool ReaderGone() const;

  // Writes all of `bytes`, going on after a short write; returns how many
  // reached the file: all of them, unless the system refused the rest.
  std::size_t Write(const void* bytes, std::size_t size);

  // Cuts the file to its first `size` bytes. False where that cannot be
  // done: a FIFO or a device.
  bool Truncate(std::uint64_t size);

  // False when the system reports that what was written may not have been
  // stored (a network file system may say so only here).
  bool Close();

  // Why the last operation failed, in the system's words ("No space left on
  // device"), or in ours where we refused ("not a regular file").
  const std::string& error() const { return error_; }

 private:
  // Why a name is refused, on either system.
  static constexpr char kNotAFile[] = "not a regular file";
  static constexpr char kHeldByAnother[] = "another program is writing it";
  // The system's own handle as an integer: a descriptor on Linux, a HANDLE
  // on Windows, where INVALID_HANDLE_VALUE is this -1 too.
  static constexpr std::intptr_t kNoHandle = -1;

  explicit OutputFile(std::intptr_t handle) : handle_(handle) {}
  void Fail();

  std::intptr_t handle_ = kNoHandle;
  std::string error_;
  KeepWaiting keepWaiting_;
  bool waitsForRoom_ = false;  // a pipe: polled before each write (Linux)
  bool readerGone_ = false;    // a write was refused: no one reads any more
};

}  // namespace platform
