#include "platform/sockets.h"

#if defined(_WIN32)
#include <winsock2.h>
#endif

namespace platform {

bool StartSockets() {
#if defined(_WIN32)
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
#else
  return true;  // POSIX sockets need no start-up
#endif
}

}  // namespace platform
