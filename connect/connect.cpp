#include "connect/connect.h"

#include <utility>

#include "adapter/init_blocks.h"
#include "settings/settings.h"

std::uint8_t Connected = 0;

DataRateCodes DataRateCodesFor(std::int32_t dataRate) {
  // Index of the list entry: 156.25 kbps, 312.5 kbps, 625 kbps, 1.25 MHz,
  // 2.5 MHz, 5 MHz, 7.5 MHz, 10 MHz.
  static constexpr DataRateCodes kCodes[] = {{4, 0}, {3, 0}, {2, 0}, {1, 0},
                                             {0, 0}, {5, 0}, {7, 1}, {10, 1}};
  static_assert(std::size(kCodes) == kDataRateRange.high + 1);
  const auto index = static_cast<std::uint32_t>(dataRate);
  return index < std::size(kCodes) ? kCodes[index] : DataRateCodes{0, 0};
}

std::uint8_t TimeoutCodeFor(std::int32_t timeouts) {
  // Standard, Four, Eight, Sixteen.
  static constexpr std::uint8_t kCodes[] = {0x18, 0x10, 0x08, 0x00};
  static_assert(std::size(kCodes) == kTimeoutsRange.high + 1);
  const auto index = static_cast<std::uint32_t>(timeouts);
  return index < std::size(kCodes) ? kCodes[index] : 0x18;
}

namespace {

// Empty when every setting the call takes lies in its range; else a line
// for each that does not.
std::string Refusals(bool server) {
  // Detection takes no port, so any stored one will do.
  if (server)
    return IPAddress.empty() ? std::string() : SettingRefusal(kPortNumberRange, PortNumber);
  const std::pair<const SettingRange&, std::int64_t> settings[] = {
      {kDeviceNumberRange, DeviceNumber}, {kDataRateRange, DataRate},
      {kTimeoutsRange, Timeouts},         {kNodeIdRange, LocalInit.nodeId},
      {kNaks128Range, LocalInit.naks128},
  };
  std::string refusals;
  for (const auto& [range, value] : settings) {
    if (const std::string refusal = SettingRefusal(range, value); !refusal.empty())
      refusals += (refusals.empty() ? "" : "\n") + refusal;
  }
  return refusals;
}

}  // namespace

InitOutcome InitAdapter(bool server, bool usb) {
  // A value cut or mapped to fit would reach another port, device, node or
  // rate than the one the settings name.
  if (std::string refusal = Refusals(server); !refusal.empty()) return {0, 0, std::move(refusal)};

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
