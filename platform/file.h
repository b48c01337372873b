// Files that we write with our own buffering (the capture files): every
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

class OutputFile {
 public:
  // Creates the file, or empties it; a FIFO or a device is opened as it is.
  // See is_open() and error().
  explicit OutputFile(const char* name);
  ~OutputFile();
  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&& other) noexcept;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool is_open() const;

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
  void* handle_;
#else
  int fd_;
#endif
  std::string error_;
};

}  // namespace platform
