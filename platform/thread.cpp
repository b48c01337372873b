#include "platform/thread.h"

#include <system_error>
#include <thread>

namespace platform {

bool StartThread(ThreadFunction function, void* param) {
  try {
    std::thread(function, param).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

void Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace platform
