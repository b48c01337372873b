#include "pondel/controller.h"

#include "pondel/pondel.h"

namespace pondel {

void SimController::Reset(std::uint8_t nodeId, std::uint8_t dataRateCode, std::uint8_t timeoutCode,
                          bool naks128) {
  std::lock_guard lock(mutex_);
  online_ = true;
  direct_.fill(0);
  indexed_.fill(0);
  // The configuration register holds the extended-timeout bits the init block
  // carries. Setup 1 starts from the configuration (clock prescaler from the
  // data-rate code, four NAKs unless 128 were asked for) with receive-all
  // clear, so a caller that saves and restores it handles a non-zero value.
  direct_[kRegConfiguration] = timeoutCode;
  const std::uint8_t setup1 =
      static_cast<std::uint8_t>(((dataRateCode & 0x07) << 1) | (naks128 ? 0x00 : 0x40));
  nodeId_.store(nodeId, std::memory_order_relaxed);
  setup1_.store(setup1, std::memory_order_relaxed);
}

void SimController::PowerOff() {
  std::lock_guard lock(mutex_);
  online_ = false;
}

std::int32_t SimController::Access(RegisterRequest& request) {
  if (request.operation != kRegisterRead && request.operation != kRegisterWrite)
    return kPondelSimBadOperation;
  if (request.reg > 7) return kPondelSimBadRegister;
  const bool write = request.operation == kRegisterWrite;

  std::lock_guard lock(mutex_);
  if (!online_) return kPondelSimOffline;
  if (request.reg != kRegIndexed) {
    // No transmitter and no interrupts here: a direct register keeps what was
    // last written to it, which is what a quiet controller reads back.
    if (write) {
      direct_[request.reg] = request.value;
    } else {
      request.value = direct_[request.reg];
    }
    return 0;
  }

  const std::uint8_t index = direct_[kRegSubAddress] & 0x07;
  std::atomic<std::uint8_t>* live = index == kIndexNodeId   ? &nodeId_
                                    : index == kIndexSetup1 ? &setup1_
                                                            : nullptr;
  if (write) {
    if (live != nullptr) {
      live->store(request.value, std::memory_order_relaxed);
    } else {
      indexed_[index] = request.value;
    }
  } else {
    request.value = live != nullptr ? live->load(std::memory_order_relaxed) : indexed_[index];
  }
  return 0;
}

}  // namespace pondel
