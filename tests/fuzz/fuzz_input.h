// Taking a fuzzer's bytes apart into the values a target needs; past the
// end every read gives zeros, so any input is a valid one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzzing {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | Byte() << 8); }
  std::uint32_t U32() { return U16() | std::uint32_t{U16()} << 16; }

  // The bytes up to the next `end` (which is skipped), or to the end.
  std::string Until(char end) {
    std::string out;
    while (at_ < size_ && static_cast<char>(data_[at_]) != end)
      out += static_cast<char>(data_[at_++]);
    if (at_ < size_) ++at_;
    return out;
  }
  std::string_view Rest() {
    const std::string_view rest(reinterpret_cast<const char*>(data_) + at_, size_ - at_);
    at_ = size_;
    return rest;
  }
  bool empty() const { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace fuzzing
