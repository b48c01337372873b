// The sockets layer's start-up, which Windows needs before any socket is
// used (the network server device is reached over TCP/IP).
#pragma once

namespace platform {

// False when the sockets layer could not be started.
bool StartSockets();

}  // namespace platform
