#include "adapter/adapter_lost.h"

std::string_view AdapterLostCause(std::int32_t result) {
  // The stand-in library's codes (docs/vornex-protocol.md). After 9030 and
  // 9031 the link to the network server device is over for good, though
  // the adapter stays nominally on line until Com20020Exit; 9020 is an
  // adapter taken off line under the capture.
  switch (result) {
    case 9030:
      return "The network server device stopped answering";
    case 9031:
      return "The network server device closed the connection";
    case 9020:
      return "The adapter went off line";
    default:
      return {};
  }
}
