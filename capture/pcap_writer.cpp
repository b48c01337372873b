#include "capture/pcap_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

void PutLe16(std::uint8_t* out, std::uint16_t v) {
  out[0] = static_cast<std::uint8_t>(v);
  out[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* out, std::uint32_t v) {
  PutLe16(out, static_cast<std::uint16_t>(v));
  PutLe16(out + 2, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

void WritePcapHeader(RecordFile& file) {
  std::uint8_t* header = file.Reserve(kPcapHeaderSize);
  if (header == nullptr) return;
  PutLe32(header + 0, 0xA1B2C3D4);  // magic: microsecond timestamps
  PutLe16(header + 4, 2);           // version_major
  PutLe16(header + 6, 4);           // version_minor
  // thiszone is -6, not 0: files written by earlier releases carry it, and
  // readers ignore the field, so it stays as it has always been.
  PutLe32(header + 8, static_cast<std::uint32_t>(-6));
  PutLe32(header + 12, 0);      // sigfigs
  PutLe32(header + 16, 65535);  // snaplen
  PutLe32(header + 20, 129);    // network: LINKTYPE_ARCNET_LINUX
  file.Commit(kPcapHeaderSize);
}

void WritePcapRecord(RecordFile& file, const ArcnetFrame& frame, platform::WallTime now) {
  // A library may claim more data than the record can hold; capture what
  // there is and keep the claim as the original length.
  const std::size_t claimed = frame.length;
  const std::size_t captured = std::min(claimed, kArcnetMaxData);
  const std::size_t size = kPcapRecordHeaderSize + kArcnetHeaderSize + captured;
  std::uint8_t* record = file.Reserve(size);
  if (record == nullptr) return;
  PutLe32(record + 0, static_cast<std::uint32_t>(now.seconds));  // ts_sec, low 32 bits
  PutLe32(record + 4, now.milliseconds * 1000);                  // ts_usec
  PutLe32(record + 8, static_cast<std::uint32_t>(captured + kArcnetHeaderSize));  // incl_len
  PutLe32(record + 12, static_cast<std::uint32_t>(claimed + kArcnetHeaderSize));  // orig_len
  // The Linux ARCNET header: source, destination, then the two offset bytes,
  // which carry the data length.
  record[16] = frame.source;
  record[17] = frame.destination;
  PutLe16(record + 18, frame.length);
  std::memcpy(record + 20, frame.data, captured);
  file.Commit(size);
}
