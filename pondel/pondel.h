// Pondel, the stand-in adapter library: a SIMULATOR. It exports the seven
// Com20020 functions of adapter/com20020.h over a simulated COM20020 on a
// simulated ARCNET network of BACnet devices; no frame it delivers was ever on
// a real wire. This header adds what only the simulator has: its error codes
// and the drop counter for tests and benchmarks.
//
// Configuration: environment variables, read at every Com20020Init.
//   PONDEL_SIM_RATE      frames per second on the network, 0-10000000
//                        (default 40; 0 is a silent network). Above about 1000/s
//                        frames arrive in batches every millisecond, as a USB
//                        adapter delivers them.
//   PONDEL_SIM_SHORTEST  1: only the shortest frames (7 data bytes, a BACnet
//                        Who-Is-Router-To-Network), 0: the mixed traffic (default).
//   PONDEL_SIM_SEED      a fixed seed (0 to 2^64-1) for a repeatable run; by
//                        default every Init picks a new one.
//   PONDEL_SIM_FLOOD     1: ignore the rate and refill the whole receive queue
//                        each time it has been emptied, for benchmarks.
//   PONDEL_SIM_QUEUE     receive queue capacity in frames, 1-65536 (default
//                        4096, about 80 ms of a 10 Mbps network at its busiest).
// A value that does not parse, or lies outside its range, makes Com20020Init
// fail with kPondelSimBadSetting.
//
// Simulated adapters: USB adapter (kind 0) device numbers 0 and 1; PCI card
// (kind 1) device number 0; one network server device (kind 2), which joins
// the network as node 254. The BACnet devices occupy nodes 3, 21, 42, 64, 126
// and 200; an adapter configured on one of them takes the next free node ID
// and writes it back into LocalInitBlock::nodeId, as a controller resolving a
// duplicate ID does.
#pragma once

#include <cstdint>

#include "adapter/com20020.h"

// Error codes: every non-zero result of the simulator lies in 9000-9099, a
// range that says "simulator" whenever an operator reads one.
enum : std::int32_t {
  // Com20020Init. A refused Init leaves the adapter off line.
  kPondelSimBadKind = 9001,           // adapter kind is not 0, 1 or 2
  kPondelSimNoBlock = 9002,           // the init block pointer is null
  kPondelSimNoSuchDevice = 9003,      // no simulated adapter with this device number
  kPondelSimBadNodeId = 9004,         // node ID 0
  kPondelSimBadDataRate = 9005,       // data-rate code not one of 4,3,2,1,0,5,7,10
  kPondelSimBadHighRate = 9006,       // high-rate flag is not 1 exactly for codes 7 and 10
  kPondelSimBadTimeout = 9007,        // timeout code not one of 0x18, 0x10, 0x08, 0x00
  kPondelSimBadServerAddress = 9008,  // an empty server address, or an address with port 0
  kPondelSimBadSetting = 9009,        // a PONDEL_SIM_ environment variable is wrong

  // The other functions.
  kPondelSimOffline = 9020,         // no Com20020Init has succeeded since the last Exit
  kPondelSimNothingWaiting = 9021,  // Com20020Receive on an empty queue
  kPondelSimBadOperation = 9022,    // RegisterRequest::operation is not 0 (read) or 1 (write)
  kPondelSimBadRegister = 9023,     // RegisterRequest::reg is above 7
  kPondelSimNullArgument = 9024,    // a null request or frame pointer
  // Com20020WakeOnReceive with anything but an open eventfd (Linux) or an
  // open handle (Windows): a closed descriptor, a file, a pipe.
  kPondelSimBadEvent = 9025,
};

extern "C" {

// Frames the network delivered while the receive queue was full, since the
// last successful Com20020Init. The newest frames are the ones dropped.
PONDEL_API std::uint64_t PONDEL_CALL PondelDroppedFrames(void);

}  // extern "C"
