// Writers of the pcap capture file: the global header and one record per
// ARCNET frame, link type 129 (ARCNET with the Linux link-layer header).
#pragma once

#include <cstddef>
#include <cstdio>

#include "adapter/com20020.h"

inline constexpr std::size_t kPcapHeaderSize = 24;
inline constexpr std::size_t kPcapRecordHeaderSize = 16;
inline constexpr std::size_t kArcnetHeaderSize = 4;

// Writes the 24-byte global header in one piece; returns the number of
// headers written (1, or 0 when the write failed).
std::size_t WritePcapHeader(std::FILE* stream);

// Appends one frame: record header, 4-byte ARCNET header, data. The record is
// stamped with the host's time now, at millisecond resolution.
void WritePcapRecord(std::FILE* stream, const ArcnetFrame& frame);
