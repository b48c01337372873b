// The exported functions: the adapter's life (Init, Exit) and the calls the
// capture thread makes, each handed to the controller model, the network or
// the receive queue, or for the network server device to its link.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "pondel/bacnet_devices.h"
#include "pondel/controller.h"
#include "pondel/network.h"
#include "pondel/pondel.h"
#include "pondel/receive_queue.h"
#include "pondel/server_link.h"
#include "pondel/sim_config.h"

namespace pondel {

namespace {

// Init and Exit come from one thread and everything else from another, and a
// process may end without Exit: one object for the whole library, which takes
// the adapter off line when it goes.
struct Library {
  std::mutex lifecycle;  // one Init or Exit at a time
  SimController controller;
  ReceiveQueue queue;
  SimNetwork network{controller, queue};
  ServerLink link{queue};
  // The network server device is on line: its controller is the device's,
  // reached over the link.
  std::atomic<bool> server{false};
  // Frames Com20020Receive has handed out since Init.
  std::atomic<std::uint64_t> delivered{0};

  ~Library() { TakeOffline(); }

  void TakeOffline() {
    server = false;
    controller.PowerOff();
    queue.Close();  // first: a draining caller sees nothing more, a flood stops waiting
    network.Stop();
    link.Close();
  }
};

Library& TheLibrary() {
  static Library library;
  return library;
}

// One line of PONDEL_SIM_TRACE, appended and written out at once, so that
// a program killed the next moment leaves it behind.
void Trace(const std::string& line) {
  const char* path = std::getenv("PONDEL_SIM_TRACE");
  if (path == nullptr || *path == '\0') return;
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  if (std::FILE* file = std::fopen(path, "a")) {
    std::fputs((line + "\n").c_str(), file);
    std::fclose(file);
  }
}

std::string RegisterCallText(const RegisterRequest& request) {
  char text[48];
  if (request.operation == kRegisterWrite)
    std::snprintf(text, sizeof text, "Com20020Register(w%u=%02X)", request.reg, request.value);
  else
    std::snprintf(text, sizeof text, "Com20020Register(r%u)", request.reg);
  return text;
}

bool SimulatedAdapterExists(std::uint8_t kind, std::uint8_t deviceNumber) {
  return kind == kAdapterUsb ? deviceNumber <= 1 : deviceNumber == 0;
}

bool ValidDataRate(std::uint8_t code) {
  for (std::uint8_t valid : {4, 3, 2, 1, 0, 5, 7, 10})
    if (code == valid) return true;
  return false;
}

bool ValidTimeout(std::uint8_t code) {
  return code == 0x18 || code == 0x10 || code == 0x08 || code == 0x00;
}

std::int32_t CheckLocalBlock(const LocalInitBlock& block, std::uint8_t kind,
                             std::uint8_t deviceNumber) {
  if (!SimulatedAdapterExists(kind, deviceNumber)) return kPondelSimNoSuchDevice;
  if (block.nodeId == 0) return kPondelSimBadNodeId;
  if (!ValidDataRate(block.dataRateCode)) return kPondelSimBadDataRate;
  const bool highRate = block.dataRateCode == 7 || block.dataRateCode == 10;
  if (block.highRate != (highRate ? 1 : 0)) return kPondelSimBadHighRate;
  if (!ValidTimeout(block.timeoutCode)) return kPondelSimBadTimeout;
  return 0;
}

std::int32_t CheckServerBlock(const ServerInitBlock& block) {
  if (block.address == nullptr) return 0;  // automatic detection
  if (block.address[0] == '\0' || block.port == 0) return kPondelSimBadServerAddress;
  return 0;
}

// On line with the device the block names, or the first that answers; the
// device reports the node ID it holds.
std::int32_t InitServer(Library& lib, ServerInitBlock& block, const SimConfig& config) {
  lib.queue.Open(config.queueCapacity);
  std::uint8_t nodeId = 0;
  const std::int32_t result =
      lib.link.Open(block.address, block.port, config.discoveryPort, nodeId);
  if (result != 0) {
    lib.queue.Close();
    return result;
  }
  block.nodeId = nodeId;
  lib.server = true;
  return 0;
}

std::int32_t InitLocked(Library& lib, void* initBlock, std::uint8_t deviceNumber,
                        std::uint8_t kind) {
  // Every Init starts from off line, so a second one re-initialises and a
  // refused one leaves the adapter off line.
  lib.TakeOffline();

  if (kind != kAdapterUsb && kind != kAdapterPci && kind != kAdapterServer)
    return kPondelSimBadKind;
  if (initBlock == nullptr) return kPondelSimNoBlock;
  const std::int32_t refused =
      kind == kAdapterServer
          ? CheckServerBlock(*static_cast<const ServerInitBlock*>(initBlock))
          : CheckLocalBlock(*static_cast<const LocalInitBlock*>(initBlock), kind, deviceNumber);
  if (refused != 0) return refused;
  const auto config = ReadSimConfig();
  if (!config) return kPondelSimBadSetting;
  lib.delivered = 0;

  if (kind == kAdapterServer)
    return InitServer(lib, *static_cast<ServerInitBlock*>(initBlock), *config);

  auto& block = *static_cast<LocalInitBlock*>(initBlock);
  if (block.nodeId == config->refusedNode) return kPondelSimNodeRefused;
  block.nodeId = FreeNodeFrom(block.nodeId);
  lib.controller.Reset(block.nodeId, block.dataRateCode, block.timeoutCode, block.naks128 != 0);
  lib.queue.Open(config->queueCapacity);
  lib.network.Start(*config);
  return 0;
}

// Every exported call goes through here: nothing may unwind across the C
// boundary into a caller that cannot catch it. A fault of the library
// itself (a thread it could not start, memory it could not have) becomes
// its own code.
template <typename Call>
std::int32_t Guarded(Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    return kPondelSimInternalFault;
  }
}

std::int32_t Init(void* initBlock, std::uint8_t deviceNumber, std::uint8_t kind) {
  Library& lib = TheLibrary();
  std::lock_guard lock(lib.lifecycle);
  try {
    return InitLocked(lib, initBlock, deviceNumber, kind);
  } catch (...) {
    lib.TakeOffline();  // a refused Init leaves the adapter off line, this one too
    throw;
  }
}

}  // namespace

}  // namespace pondel

using pondel::Guarded;
using pondel::TheLibrary;

extern "C" {

PONDEL_API std::int32_t PONDEL_CALL Com20020Init(void* initBlock, std::uint8_t deviceNumber,
                                                 std::uint8_t adapterKind) {
  return Guarded([&] {
    const std::int32_t result = pondel::Init(initBlock, deviceNumber, adapterKind);
    // The node ID is the block's after the call: the one the adapter holds.
    const int nodeId = initBlock == nullptr ? -1
                       : adapterKind == kAdapterServer
                           ? static_cast<const ServerInitBlock*>(initBlock)->nodeId
                           : static_cast<const LocalInitBlock*>(initBlock)->nodeId;
    pondel::Trace("Com20020Init: kind " + std::to_string(adapterKind) + ", device " +
                  std::to_string(deviceNumber) + ", node " + std::to_string(nodeId) + ", result " +
                  std::to_string(result));
    return result;
  });
}

PONDEL_API std::int32_t PONDEL_CALL Com20020Exit(void) {
  return Guarded([] {
    auto& lib = TheLibrary();
    std::lock_guard lock(lib.lifecycle);
    const std::uint64_t dropped = lib.queue.Dropped() + lib.link.FramesLost();
    lib.TakeOffline();
    pondel::Trace("Com20020Exit: " + std::to_string(lib.delivered) + " frames delivered, " +
                  std::to_string(dropped) + " dropped");
    return 0;
  });
}

PONDEL_API std::int32_t PONDEL_CALL Com20020Register(RegisterRequest* request) {
  return Guarded([&] {
    if (request == nullptr) return std::int32_t{kPondelSimNullArgument};
    auto& lib = TheLibrary();
    const std::int32_t result =
        lib.server ? lib.link.Register(*request) : lib.controller.Access(*request);
    pondel::Trace(pondel::RegisterCallText(*request));
    return result;
  });
}

PONDEL_API std::int32_t PONDEL_CALL Com20020WakeOnReceive(Com20020Event event) {
  return Guarded([&] {
    auto& lib = TheLibrary();
    const std::int32_t result = lib.queue.SetEvent(event);
    // A link that ended before the event was given: the caller asks, and learns.
    if (result == 0 && lib.server && lib.link.Failure() != 0) lib.queue.Wake();
    pondel::Trace("Com20020WakeOnReceive");
    return result;
  });
}

PONDEL_API std::int32_t PONDEL_CALL Com20020ResetWakeOnReceive(void) {
  return Guarded([] {
    TheLibrary().queue.ClearEvent();
    pondel::Trace("Com20020ResetWakeOnReceive");
    return 0;
  });
}

PONDEL_API std::int32_t PONDEL_CALL Com20020FlushRX(void) {
  return Guarded([] {
    auto& lib = TheLibrary();
    const std::int32_t result = lib.server ? lib.link.Flush() : lib.queue.Flush();
    pondel::Trace("Com20020FlushRX");
    return result;
  });
}

PONDEL_API std::int32_t PONDEL_CALL Com20020Receive(ArcnetFrame* frame) {
  return Guarded([&] {
    if (frame == nullptr) return std::int32_t{kPondelSimNullArgument};
    auto& lib = TheLibrary();
    const std::int32_t result = lib.queue.Take(*frame);
    if (result == 0) ++lib.delivered;
    // Nothing more will come from a device whose link has ended: once its
    // last frames are taken the caller is woken once more, to be told why.
    if (lib.server && frame->waiting == 0) {
      if (const std::int32_t failure = lib.link.Failure(); failure != 0) {
        if (result != 0) return failure;
        lib.queue.Wake();
      }
    }
    return result;
  });
}

PONDEL_API std::uint64_t PONDEL_CALL PondelDroppedFrames(void) {
  auto& lib = TheLibrary();
  return lib.queue.Dropped() + lib.link.FramesLost();
}

}  // extern "C"
