// A file that only ever holds whole records: the records are collected in a
// buffer of our own and written out together (at the end of a drain, or when
// the buffer is full), so we know exactly how many bytes reached the file.
// After a failed or short write the file is cut back to the end of its last
// whole record and nothing more is written to it. A C stream could not give
// that: after an error it may drop part of its buffer and write the rest out
// of step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file.h"

class RecordFile {
 public:
  // The longest record any writer appends: a text block of a full frame.
  static constexpr std::size_t kMaxRecordSize = 2048;
  // The buffer, written out when the next record might not fit, even in the
  // middle of a drain: a flood's drain would otherwise collect megabytes
  // before its first write.
  static constexpr std::size_t kBufferSize = 256 * 1024;

  // Takes an open file.
  explicit RecordFile(platform::OutputFile file);
  // Closes the file, with what is still buffered.
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Room for one record of at most `maxSize` (<= kMaxRecordSize) bytes, at
  // the end of the buffer; Commit then says how many it took. Null once the
  // file has failed: nothing more is written to it. Inline: a capture calls
  // both for every frame.
  std::uint8_t* Reserve(std::size_t maxSize) {
    if (used_ + maxSize > kBufferSize || failed_) return MakeRoom(maxSize);
    return buffer_.get() + used_;
  }
  void Commit(std::size_t size) {
    used_ += size;
    recordEnds_.push_back(used_);
  }

  // Writes the buffered records. False once the file has failed; it then
  // ends with its last whole record (a FIFO or a device, which cannot be
  // cut, excepted: see failure()).
  bool Flush();

  // Flushes and closes. False when this or any earlier write failed.
  bool Close();

  bool failed() const { return failed_; }
  // A FIFO or pipe whose reader has closed its end (platform::OutputFile).
  bool ReaderGone() const { return file_.ReaderGone(); }
  // Why the file failed, in the system's words; empty while it has not.
  const std::string& failure() const { return failure_; }
  // Records that reached the file whole.
  std::uint64_t recordsWritten() const { return recordsWritten_; }

 private:
  std::uint8_t* MakeRoom(std::size_t maxSize);
  void Fail(std::size_t written);

  platform::OutputFile file_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t used_ = 0;
  // Where each buffered record ends in the buffer, in order.
  std::vector<std::size_t> recordEnds_;
  std::uint64_t bytesWritten_ = 0;  // whole records only
  std::uint64_t recordsWritten_ = 0;
  bool failed_ = false;
  std::string failure_;
};
