#include "tools/vornex_sim/replay_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vornex {

namespace {

constexpr std::size_t kFileHeaderSize = 24;
constexpr std::size_t kRecordHeaderSize = 16;
constexpr std::size_t kArcnetHeaderSize = 4;  // source, destination, two offset bytes
constexpr std::uint32_t kLinkTypeArcnetLinux = 129;
constexpr std::uint32_t kMicrosecondMagic = 0xA1B2C3D4;
constexpr std::uint32_t kNanosecondMagic = 0xA1B23C4D;
constexpr std::uint32_t kPcapngMagic = 0x0A0D0D0A;

// A pcap file is in the byte order of the machine that wrote it; the magic
// number tells which.
class Fields {
 public:
  Fields(const std::string& bytes, bool swapped) : bytes_(bytes), swapped_(swapped) {}
  std::uint32_t U32(std::size_t at) const {
    std::uint32_t v;
    std::memcpy(&v, bytes_.data() + at, sizeof v);
    return swapped_ ? __builtin_bswap32(v) : v;
  }

 private:
  const std::string& bytes_;
  bool swapped_;
};

}  // namespace

std::optional<std::vector<ReplayFrame>> LoadReplay(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be opened";
    return std::nullopt;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < kFileHeaderSize) {
    error = path + ": too short for a pcap file";
    return std::nullopt;
  }
  const std::uint32_t magic = Fields(bytes, false).U32(0);
  if (magic == kPcapngMagic) {
    error = path + ": a pcapng file; save it as pcap (Wireshark: File, Save As, \"Wireshark/" +
            "tcpdump - pcap\"), or convert it with editcap -F pcap";
    return std::nullopt;
  }
  const bool swapped =
      magic == __builtin_bswap32(kMicrosecondMagic) || magic == __builtin_bswap32(kNanosecondMagic);
  const Fields fields(bytes, swapped);
  const std::uint32_t kind = fields.U32(0);
  if (kind != kMicrosecondMagic && kind != kNanosecondMagic) {
    error = path + ": not a pcap file";
    return std::nullopt;
  }
  const std::int64_t fractionNs = kind == kNanosecondMagic ? 1 : 1000;
  if (const std::uint32_t linkType = fields.U32(20) & 0xFFFF; linkType != kLinkTypeArcnetLinux) {
    error = path + ": link type " + std::to_string(linkType) +
            ", not 129 (ARCNET with the Linux header)";
    return std::nullopt;
  }

  std::vector<ReplayFrame> frames;
  std::int64_t first = 0;
  std::int64_t last = 0;
  for (std::size_t at = kFileHeaderSize; at < bytes.size();) {
    const std::string record = "record " + std::to_string(frames.size() + 1);
    if (bytes.size() - at < kRecordHeaderSize) {
      error = path + ": " + record + " is cut short";
      return std::nullopt;
    }
    const std::int64_t when = std::int64_t{fields.U32(at)} * 1'000'000'000 +
                              std::int64_t{fields.U32(at + 4)} * fractionNs;
    const std::size_t captured = fields.U32(at + 8);
    at += kRecordHeaderSize;
    if (captured > bytes.size() - at) {
      error = path + ": " + record + " is cut short";
      return std::nullopt;
    }
    if (captured < kArcnetHeaderSize || captured > kArcnetHeaderSize + kArcnetMaxData) {
      error = path + ": " + record + " holds " + std::to_string(captured) +
              " bytes; an ARCNET frame with its header holds 4 to 512";
      return std::nullopt;
    }
    if (frames.empty()) first = last = when;
    // A clock that stepped back plays the frame at once, keeping the order.
    last = std::max(last, when);
    ReplayFrame& frame = frames.emplace_back();
    frame.at = std::chrono::nanoseconds(last - first);
    frame.frame.source = static_cast<std::uint8_t>(bytes[at]);
    frame.frame.destination = static_cast<std::uint8_t>(bytes[at + 1]);
    frame.frame.length = static_cast<std::uint16_t>(captured - kArcnetHeaderSize);
    std::memcpy(frame.frame.data, bytes.data() + at + kArcnetHeaderSize, frame.frame.length);
    at += captured;
  }
  return frames;
}

}  // namespace vornex
