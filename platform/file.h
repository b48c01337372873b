// Files that we write with our own buffering (the capture files, and the
// pcap stream a live capture writes into a FIFO or standard output): every
// write says how many bytes reached the file, so a caller always knows where
// its last whole record ends and can cut the file back to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The platform's line end in a text file: what a text-mode stream of the C
// runtime writes for '\n'.
#if defined(_WIN32)
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

// A FIFO, or on Windows a named pipe: opening it to write waits for, and
// lets go of, the reader that waits on it.
bool IsPipe(const char* name);

class OutputFile {
 public:
  // Creates the file, or empties it; a FIFO or a device is opened as it is.
  // See is_open() and error().
  // On Windows a named pipe (\\.\pipe\...) is opened as the pipe it is.
  explicit OutputFile(const char* name);
  // The process's standard output, written byte for byte: through its
  // descriptor or handle, never through a text-mode C stream, so no line end
  // is rewritten. Closing it leaves the process's own standard output open.
  static OutputFile StandardOutput();
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
  // device").
  const std::string& error() const { return error_; }

 private:
  void Fail();
#if defined(_WIN32)
  explicit OutputFile(void* handle) : handle_(handle) {}
#else
  explicit OutputFile(int fd) : fd_(fd) {}
#endif

#if defined(_WIN32)
  void* handle_;
#else
  int fd_;
#endif
  std::string error_;
  bool readerGone_ = false;  // a write was refused: no one reads any more
};

}  // namespace platform
