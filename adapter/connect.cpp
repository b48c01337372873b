#include "adapter/connect.h"

#include <utility>

#include "adapter/init_blocks.h"
#include "settings/settings.h"

std::uint8_t Connected = 0;

DataRateCodes DataRateCodesFor(std::int32_t dataRate) {
  // Index of the list entry: 156.25 kbps, 312.5 kbps, 625 kbps, 1.25 MHz,
  // 2.5 MHz, 5 MHz, 7.5 MHz, 10 MHz.
  static constexpr DataRateCodes kCodes[] = {{4, 0}, {3, 0}, {2, 0}, {1, 0},
                                             {0, 0}, {5, 0}, {7, 1}, {10, 1}};
  const auto index = static_cast<std::uint32_t>(dataRate);
  return index < std::size(kCodes) ? kCodes[index] : DataRateCodes{0, 0};
}

std::uint8_t TimeoutCodeFor(std::int32_t timeouts) {
  // Standard, Four, Eight, Sixteen.
  static constexpr std::uint8_t kCodes[] = {0x18, 0x10, 0x08, 0x00};
  const auto index = static_cast<std::uint32_t>(timeouts);
  return index < std::size(kCodes) ? kCodes[index] : 0x18;
}

namespace {

// Empty when `value` fits its field of the library's call.
std::string OutOfRange(const char* setting, std::int32_t value, std::int32_t highest) {
  if (value >= 0 && value <= highest) return {};
  return std::string(setting) + " must be between 0 and " + std::to_string(highest) +
         "; the settings hold " + std::to_string(value) + ".";
}

}  // namespace

InitOutcome InitAdapter(bool server, bool usb) {
  // A value cut to fit would reach another port or another device than the
  // one asked for.
  std::string refusal =
      server
          ? (IPAddress.empty() ? std::string() : OutOfRange("TCP Port Number", PortNumber, 65535))
          : OutOfRange("Device Number", DeviceNumber, 255);
  if (!refusal.empty()) return {0, 0, std::move(refusal)};

  LocalInit.initFlagA = 1;
  LocalInit.initFlagB = 1;
  ServerInit.initFlag = 1;
  if (server) {
    if (!IPAddress.empty()) {
      ServerInit.address = IPAddress.c_str();
      ServerInit.port = static_cast<std::uint16_t>(PortNumber);
    } else {
      ServerInit.address = nullptr;  // the library finds the server itself
      ServerInit.port = 0;
    }
    const std::int32_t result = Com20020Init(&ServerInit, 0, kAdapterServer);
    return {result, ServerInit.nodeId, {}};
  }
  const DataRateCodes rate = DataRateCodesFor(DataRate);
  LocalInit.dataRateCode = rate.dataRateCode;
  LocalInit.highRate = rate.highRate;
  LocalInit.timeoutCode = TimeoutCodeFor(Timeouts);
  const std::int32_t result = Com20020Init(&LocalInit, static_cast<std::uint8_t>(DeviceNumber),
                                           usb ? kAdapterUsb : kAdapterPci);
  return {result, LocalInit.nodeId, {}};
}

std::string InitFailureText(const InitOutcome& outcome) {
  if (!outcome.refusal.empty()) return outcome.refusal;
  return outcome.result != 0 ? "Init Error: " + std::to_string(outcome.result) : std::string();
}
