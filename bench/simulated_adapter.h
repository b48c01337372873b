// The stand-in library's USB adapter 0 on line at the fastest data rate,
// with the simulator set up through its environment (a fixed seed, the
// default queue), for the benchmarks.
#pragma once

#include <cstdint>

#include "adapter/com20020.h"
#include "platform/environment.h"

namespace bench {

// `rate` in frames/s, as PONDEL_SIM_RATE takes it. True when Com20020Init
// succeeded.
inline bool SimulatedAdapterOnLine(bool flood, bool shortest, const char* rate) {
  platform::SetEnv("PONDEL_SIM_FLOOD", flood ? "1" : "0");
  platform::SetEnv("PONDEL_SIM_SHORTEST", shortest ? "1" : "0");
  platform::SetEnv("PONDEL_SIM_RATE", rate);
  platform::SetEnv("PONDEL_SIM_SEED", "1");
  platform::UnsetEnv("PONDEL_SIM_QUEUE");
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
