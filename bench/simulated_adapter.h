// The stand-in library's USB adapter 0 on line at the fastest data rate,
// with the simulator set up through its environment (a fixed seed, the
// default queue), and a capture started on it as the capture thread starts
// one, for the benchmarks.
#pragma once

#include <cstdint>
#include <cstdlib>

#if !defined(_WIN32)
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#endif

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

#if !defined(_WIN32)  // the library benchmarks, Linux only
// On an adapter on line: the receive event registered, receive-all switched
// on with the four register requests a capture makes, and the frames already
// waiting discarded. Ends the capture and takes the adapter off line when it
// goes.
class LibraryCapture {
 public:
  LibraryCapture() {
    Com20020WakeOnReceive(event_);
    RegisterRequest select{kRegisterWrite, 5, 2};
    RegisterRequest read{kRegisterRead, 7, 0};
    Com20020Register(&select);
    Com20020Register(&read);
    RegisterRequest receiveAll{kRegisterWrite, 7, static_cast<std::uint8_t>(read.value | 0x10)};
    Com20020Register(&select);
    Com20020Register(&receiveAll);
    Com20020FlushRX();
  }
  ~LibraryCapture() {
    Com20020ResetWakeOnReceive();
    Com20020Exit();
    close(event_);
  }
  LibraryCapture(const LibraryCapture&) = delete;
  LibraryCapture& operator=(const LibraryCapture&) = delete;

  // One wait of the capture thread: true when the event was signalled.
  bool Wait(int milliseconds) {
    pollfd p{event_, POLLIN, 0};
    if (poll(&p, 1, milliseconds) != 1) return false;
    std::uint64_t count;
    return read(event_, &count, sizeof count) == sizeof count;
  }

 private:
  int event_ = eventfd(0, EFD_CLOEXEC);
};

#endif

}  // namespace bench
