// A socket as POSIX names it: a descriptor.
#pragma once

namespace pondel::net {

using NativeSocket = int;

}  // namespace pondel::net
