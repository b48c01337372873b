// Writers of the pcap capture file: the global header and one record per
// ARCNET frame, link type 129 (ARCNET with the Linux link-layer header).
#pragma once

#include <cstddef>

#include "adapter/com20020.h"
#include "capture/record_file.h"
#include "platform/clock.h"

inline constexpr std::size_t kPcapHeaderSize = 24;
inline constexpr std::size_t kPcapRecordHeaderSize = 16;
inline constexpr std::size_t kArcnetHeaderSize = 4;

// Appends the 24-byte global header as one record.
void WritePcapHeader(RecordFile& file);

// Appends one frame as one record: record header, 4-byte ARCNET header,
// data. The record is stamped with `now` (by default the host's time as the
// record is written) at millisecond resolution.
void WritePcapRecord(RecordFile& file, const ArcnetFrame& frame,
                     platform::WallTime now = platform::WallClockNow());
