// The stand-in library's USB adapter 0 on line at the fastest data rate,
// with the simulator set up through its environment (a fixed seed, the
// default queue), as the benchmarks start a capture.
#pragma once

#include <cstdlib>

#include "adapter/com20020.h"

namespace bench {

// `rate` in frames/s, as PONDEL_SIM_RATE takes it. True when Com20020Init
// succeeded.
inline void SetEnv(const char* name, const char* value) {
#if defined(_WIN32)
  _putenv_s(name, value);  // an empty value clears it
#else
  if (*value != '\0')
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

inline bool SimulatedAdapterOnLine(bool flood, bool shortest, const char* rate) {
  SetEnv("PONDEL_SIM_FLOOD", flood ? "1" : "0");
  SetEnv("PONDEL_SIM_SHORTEST", shortest ? "1" : "0");
  SetEnv("PONDEL_SIM_RATE", rate);
  SetEnv("PONDEL_SIM_SEED", "1");
  SetEnv("PONDEL_SIM_QUEUE", "");
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
