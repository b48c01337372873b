// Reading back what the capture writers wrote, for the tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "adapter/com20020.h"
#include "capture/record_file.h"
#include "platform/file.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

struct PcapRecordView {
  std::uint32_t seconds, microseconds, includedLength, originalLength;
  std::string bytes;  // the captured bytes: ARCNET header and data
};

inline std::uint32_t Le32(const std::string& s, std::size_t at) {
  std::uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}

// Splits a pcap file (after its 24-byte header) into its records.
inline std::vector<PcapRecordView> PcapRecords(const std::string& file) {
  std::vector<PcapRecordView> records;
  for (std::size_t at = 24; at + 16 <= file.size();) {
    PcapRecordView r{
        Le32(file, at), Le32(file, at + 4), Le32(file, at + 8), Le32(file, at + 12), {}};
    r.bytes = file.substr(at + 16, r.includedLength);
    at += 16 + r.includedLength;
    records.push_back(std::move(r));
  }
  return records;
}

// What a frame's pcap record captures: the ARCNET header (source,
// destination, the length's two bytes) and the data bytes there are.
inline std::string CapturedBytes(const ArcnetFrame& frame) {
  const std::size_t captured = std::min<std::size_t>(frame.length, kArcnetMaxData);
  return std::string{static_cast<char>(frame.source), static_cast<char>(frame.destination),
                     static_cast<char>(frame.length), static_cast<char>(frame.length >> 8)} +
         std::string(reinterpret_cast<const char*>(frame.data), captured);
}

// Runs `write` on a RecordFile made on `file`, closes it and returns what
// the file holds.
template <typename Write>
std::string WrittenBy(const std::filesystem::path& file, Write write) {
  {
    RecordFile out{platform::OutputFile(file.string().c_str(), platform::OutputKind::kFile)};
    write(out);
  }
  return ReadFile(file);
}

// The text block of a frame as printf builds it, one call per field and per
// byte: the reference our hand-rolled writer is held to.
inline std::string TextBlockByPrintf(const ArcnetFrame& frame) {
  char buf[64];
  std::string out = "Received Packet:\n\n";
  std::snprintf(buf, sizeof buf, "Source ID: %02x\n", frame.source);
  out += buf;
  std::snprintf(buf, sizeof buf, "Destination ID: %02x\n", frame.destination);
  out += buf;
  std::snprintf(buf, sizeof buf, "Packet Length: %03x", frame.length);
  out += buf;
  for (unsigned i = 0; i < frame.length && i < kArcnetMaxData; ++i) {
    if (i % 16 == 0) {
      std::snprintf(buf, sizeof buf, "\n[%03X]:", i);
      out += buf;
    }
    std::snprintf(buf, sizeof buf, "%02X ", frame.data[i]);
    out += buf;
  }
  return out + "\n\n";
}

inline ArcnetFrame MakeFrame(std::uint8_t source, std::uint8_t destination, std::uint16_t length,
                             std::uint8_t seed = 0) {
  ArcnetFrame frame{};
  frame.source = source;
  frame.destination = destination;
  frame.length = length;
  for (std::size_t i = 0; i < kArcnetMaxData; ++i)
    frame.data[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return frame;
}

}  // namespace testing_support
