// Pondel, the stand-in adapter library: a SIMULATOR. It exports the seven
// Com20020 functions of adapter/com20020.h over a simulated COM20020 on a
// simulated ARCNET network of BACnet devices; no frame it delivers was ever on
// a real wire. The network server device (kind 2) is reached over real TCP:
// the device simulator vornex-sim (tools/vornex_sim/) plays it, with the same
// simulated network. This header adds what only the simulator has: its error
// codes and the drop counter for tests and benchmarks.
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
//   PONDEL_SIM_DISCOVERY_PORT  the UDP port automatic detection asks on,
//                        1-65535 (default 5001), so tests can keep apart.
//   PONDEL_SIM_REFUSED_NODE  a node ID, 1-255, that Init of a local adapter
//                        refuses (kPondelSimNodeRefused), to see how a program
//                        reports a refused Init.
//   PONDEL_SIM_TRACE     a file to which every call but Com20020Receive
//                        appends one line as it returns (read at each call),
//                        so a test can see what a program did to the adapter,
//                        even one that was killed: "Com20020Init: kind 0,
//                        device 0, node 7, result 0", "Com20020Register(w5=02)",
//                        "Com20020Register(r7)", "Com20020FlushRX",
//                        "Com20020Exit: 1234 frames delivered, 0 dropped"
//                        (since Init; dropped as PondelDroppedFrames counts).
// For the network server device the rate, seed and flood are the device's
// (vornex-sim's command line); the queue is the library's own.
// A value that does not parse, or lies outside its range, makes Com20020Init
// fail with kPondelSimBadSetting.
//
// Simulated adapters: USB adapter (kind 0) device numbers 0 and 1; PCI card
// (kind 1) device number 0. The network server device (kind 2) is any device
// at the block's address and port, or with a null address the first free one
// that answers a UDP broadcast; it reports its own node ID. The BACnet devices occupy nodes 3, 21,
// 42, 64, 126 and 200; an adapter configured on one of them takes the next free node ID and writes
// it back into LocalInitBlock::nodeId, as a controller resolving a duplicate ID does.
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
  kPondelSimNodeRefused = 9018,       // the node ID that PONDEL_SIM_REFUSED_NODE names
  // Com20020Init of the network server device, over the network.
  kPondelSimNoDeviceAnswered = 9010,   // automatic detection: no device answered
  kPondelSimConnectionRefused = 9011,  // nothing accepts connections at that address and port
  kPondelSimTimedOut = 9012,           // no connection, or no answer, within the time bound
  kPondelSimUnresolvedAddress = 9013,  // neither a numeric address nor a name that resolves
  kPondelSimProtocolMismatch = 9014,   // the peer speaks another protocol, or another version
  kPondelSimDeviceBusy = 9015,         // the device is serving another client
  kPondelSimUnreachable = 9016,        // no route to that network or host
  kPondelSimSocketFailed = 9017,       // the sockets layer itself failed

  // The other functions.
  kPondelSimOffline = 9020,         // no Com20020Init has succeeded since the last Exit
  kPondelSimNothingWaiting = 9021,  // Com20020Receive on an empty queue
  kPondelSimBadOperation = 9022,    // RegisterRequest::operation is not 0 (read) or 1 (write)
  kPondelSimBadRegister = 9023,     // RegisterRequest::reg is above 7
  kPondelSimNullArgument = 9024,    // a null request or frame pointer
  // Com20020WakeOnReceive with anything but an open eventfd (Linux) or an
  // open handle (Windows): a closed descriptor, a file, a pipe, an eventfd
  // in semaphore mode (its reads do not reset it).
  kPondelSimBadEvent = 9025,
  // Any call: a fault of the library itself (it could not start a thread, or
  // ran out of memory). The call did nothing more; an Init so ended leaves
  // the adapter off line.
  kPondelSimInternalFault = 9026,

  // The network server device's link has ended since Com20020Init: every
  // call but Exit says so (Receive once the frames received before are taken).
  kPondelSimLinkBroken = 9030,  // the device vanished, went silent or sent something malformed
  kPondelSimLinkClosed = 9031,  // the device closed the link in order (it was shut down)
};

extern "C" {

// Frames lost since the last successful Com20020Init: those the network
// delivered while the receive queue was full (the newest are dropped), and,
// for the network server device, those it numbered that never arrived.
PONDEL_API std::uint64_t PONDEL_CALL PondelDroppedFrames(void);

}  // extern "C"
