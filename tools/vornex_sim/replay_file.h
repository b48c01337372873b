// Reading a pcap file of ARCNET frames (link type 129, the Linux ARCNET
// header) for the device simulator to play back.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "adapter/com20020.h"

namespace vornex {

struct ReplayFrame {
  std::chrono::nanoseconds at;  // after the file's first frame
  ArcnetFrame frame;
};

// Every frame of the file in order, or nullopt with `error` saying what is
// wrong with it (not pcap, another link type, a record cut short or longer
// than an ARCNET frame).
std::optional<std::vector<ReplayFrame>> LoadReplay(const std::string& path, std::string& error);

}  // namespace vornex
