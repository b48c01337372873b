#include "capture/record_file.h"

#include <algorithm>
#include <cassert>
#include <utility>

RecordFile::RecordFile(platform::OutputFile file)
    : file_(std::move(file)), buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(kBufferSize)) {
  assert(file_.is_open());
  // A record is at least 20 bytes: its ends never outgrow this.
  recordEnds_.reserve(kBufferSize / 20);
}

RecordFile::~RecordFile() {
  if (file_.is_open()) Close();
}

std::uint8_t* RecordFile::MakeRoom(std::size_t maxSize) {
  assert(maxSize <= kMaxRecordSize);
  if (!failed_ && used_ + maxSize > kBufferSize) Flush();
  return failed_ ? nullptr : buffer_.get() + used_;
}

bool RecordFile::Flush() {
  if (failed_) return false;
  const std::size_t written = used_ == 0 ? 0 : file_.Write(buffer_.get(), used_);
  if (written != used_) {
    Fail(written);
    return false;
  }
  bytesWritten_ += used_;
  recordsWritten_ += recordEnds_.size();
  used_ = 0;
  recordEnds_.clear();
  return true;
}

bool RecordFile::Close() {
  if (!file_.is_open()) return !failed_;
  const bool flushed = Flush();
  if (!file_.Close() && !failed_) {
    failed_ = true;
    failure_ = file_.error();
  }
  return flushed && !failed_;
}

void RecordFile::Fail(std::size_t written) {
  failed_ = true;
  failure_ = file_.error();
  // The records that reached the file whole; a record cut short by the
  // failed write is cut off, so every reader sees whole records only.
  const auto whole = std::upper_bound(recordEnds_.begin(), recordEnds_.end(), written);
  const std::size_t kept = whole == recordEnds_.begin() ? 0 : *(whole - 1);
  recordsWritten_ += static_cast<std::uint64_t>(whole - recordEnds_.begin());
  bytesWritten_ += kept;
  if (written != kept && !file_.Truncate(bytesWritten_)) {
    failure_ += "; its last record is cut short (" + file_.error() + ")";
  }
  used_ = 0;
  recordEnds_.clear();
}
