#include "platform/sockets.h"

namespace platform {

bool StartSockets() {
  return true;  // POSIX sockets need no start-up
}

}  // namespace platform
