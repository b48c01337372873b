// A capture started on the adapter library as the capture thread starts one,
// waited on through an eventfd: for the library benchmarks, which run on
// Linux only.
#pragma once

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "adapter/com20020.h"

namespace bench {

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

}  // namespace bench
