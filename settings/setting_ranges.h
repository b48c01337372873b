// The values each integer setting may take, stated once: what the local
// adapter settings dialog accepts, what tarnwick-extcap offers and takes, and
// what Connect lets reach the adapter. A value outside its range, as a
// hand-edited settings file may hold, is refused at Connect, never cut to fit.
#pragma once

#include <cstdint>

struct SettingRange {
  const char* key;  // the settings file's key: what an operator editing the file looks for
  std::int32_t low;
  std::int32_t high;

  constexpr bool Holds(std::int64_t value) const { return value >= low && value <= high; }
};

// 0 is ARCNET's broadcast ID, which no adapter can take as its own.
inline constexpr SettingRange kNodeIdRange{"NodeID", 1, 255};
inline constexpr SettingRange kDeviceNumberRange{"DeviceNumber", 0, 7};
// The indices of the Data Rate and Extended Timeouts lists. A list left
// without a selection stores -1, which names no rate and no timeout.
inline constexpr SettingRange kDataRateRange{"DataRate", 0, 7};
inline constexpr SettingRange kTimeoutsRange{"Timeouts", 0, 3};
// A check box: off or on.
inline constexpr SettingRange kNaks128Range{"128NAKs", 0, 1};
// Port 0 stands for automatic detection in the init block, which an address
// given beside it contradicts.
inline constexpr SettingRange kPortNumberRange{"PortNumber", 1, 65535};
