// A socket as Winsock names it: a SOCKET.
#pragma once

#include <cstdint>

namespace pondel::net {

using NativeSocket = std::uintptr_t;

}  // namespace pondel::net
