// The stand-in library's USB adapter 0 on line at the fastest data rate,
// with the simulator set up through its environment (a fixed seed, the
// default queue), as the benchmarks start a capture.
#pragma once

#include <cstdlib>

#include "adapter/com20020.h"

namespace bench {

// `rate` in frames/s, as PONDEL_SIM_RATE takes it. True when Com20020Init
// succeeded.
inline bool SimulatedAdapterOnLine(bool flood, bool shortest, const char* rate) {
  setenv("PONDEL_SIM_FLOOD", flood ? "1" : "0", 1);
  setenv("PONDEL_SIM_SHORTEST", shortest ? "1" : "0", 1);
  setenv("PONDEL_SIM_RATE", rate, 1);
  setenv("PONDEL_SIM_SEED", "1", 1);
  unsetenv("PONDEL_SIM_QUEUE");
  LocalInitBlock block{};
  block.timeoutCode = 0x18;
  block.nodeId = 5;
  block.initFlagA = 1;
  block.dataRateCode = 10;
  block.highRate = 1;
  block.initFlagB = 1;
  return Com20020Init(&block, 0, kAdapterUsb) == 0;
}

}  // namespace bench
