// Counts the records of a pcap stream (link type 129) as it passes, piece by
// piece, walking the record headers: for captures of hundreds of MiB, read
// from a file or a FIFO, without holding them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace bench {

class PcapRecordCounter {
 public:
  void Feed(const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
      if (skip_ > 0) {
        const std::size_t passed = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, size));
        bytes += passed, size -= passed, skip_ -= passed;
        continue;
      }
      const std::size_t taken = std::min(kRecordHeaderSize - held_, size);
      std::memcpy(header_ + held_, bytes, taken);
      bytes += taken, size -= taken, held_ += taken;
      if (held_ < kRecordHeaderSize) return;
      std::uint32_t captured;
      std::memcpy(&captured, header_ + 8, 4);  // incl_len
      skip_ = captured;
      held_ = 0;
      ++records_;
    }
  }

  std::uint64_t records() const { return records_; }
  // What was fed ends at the end of a record.
  bool whole() const { return skip_ == 0 && held_ == 0; }

 private:
  static constexpr std::size_t kRecordHeaderSize = 16;

  std::uint64_t skip_ = 24;  // the global header
  unsigned char header_[kRecordHeaderSize];
  std::size_t held_ = 0;
  std::uint64_t records_ = 0;
};

}  // namespace bench
