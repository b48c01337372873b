#include "platform/file.h"

#include <utility>

#include "platform/last_error.h"

namespace platform {

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)),
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
  return handle_ != kNoHandle;
}

void OutputFile::Fail() {
  error_ = LastErrorText();
}

}  // namespace platform
