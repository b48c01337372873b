#include "pondel/bacnet_devices.h"

#include <algorithm>

namespace pondel {

namespace {

constexpr Point kAhuPoints[] = {
    {kAnalogInput, 1, "AHU-1 Supply Air Temp", 14.0f},
    {kAnalogInput, 2, "AHU-1 Return Air Temp", 22.5f},
    {kAnalogInput, 3, "AHU-1 Mixed Air Temp", 18.0f},
    {kAnalogOutput, 1, "AHU-1 Cooling Valve", 35.0f},
    {kAnalogOutput, 2, "AHU-1 Heating Valve", 0.0f},
    {kBinaryOutput, 1, "AHU-1 Supply Fan", 1.0f},
    {kAnalogValue, 1, "AHU-1 Supply Air Setpoint", 14.0f},
    {kBinaryInput, 1, "AHU-1 Filter Alarm", 0.0f},
};
constexpr Point kVavPoints[] = {
    {kAnalogInput, 1, "VAV-2-07 Zone Temp", 21.5f},
    {kAnalogInput, 2, "VAV-2-07 Airflow", 180.0f},
    {kAnalogInput, 3, "VAV-2-07 Discharge Air Temp", 17.0f},
    {kAnalogOutput, 1, "VAV-2-07 Damper Position", 45.0f},
    {kAnalogValue, 1, "VAV-2-07 Zone Setpoint", 21.0f},
    {kAnalogValue, 2, "VAV-2-07 Airflow Setpoint", 175.0f},
    {kBinaryInput, 1, "VAV-2-07 Occupancy Sensor", 1.0f},
    {kMultiStateValue, 1, "VAV-2-07 Occupancy Mode", 2.0f},
};
constexpr Point kBoilerPoints[] = {
    {kAnalogInput, 1, "Boiler Plant HW Supply Temp", 70.0f},
    {kAnalogInput, 2, "Boiler Plant HW Return Temp", 55.0f},
    {kAnalogInput, 3, "Outside Air Temp", 8.0f},
    {kBinaryOutput, 1, "Boiler 1 Enable", 1.0f},
    {kBinaryOutput, 2, "Boiler 2 Enable", 0.0f},
    {kAnalogOutput, 1, "HW Pump Speed", 60.0f},
    {kAnalogValue, 1, "HW Supply Setpoint", 70.0f},
    {kBinaryInput, 1, "Boiler 1 Alarm", 0.0f},
};
constexpr Point kLightingPoints[] = {
    {kBinaryOutput, 1, "L3 Lighting Zone 1", 1.0f},
    {kBinaryOutput, 2, "L3 Lighting Zone 2", 1.0f},
    {kBinaryOutput, 3, "L3 Lighting Zone 3", 0.0f},
    {kBinaryOutput, 4, "L3 Lighting Zone 4", 1.0f},
    {kBinaryOutput, 5, "L3 Corridor Lighting", 1.0f},
    {kBinaryValue, 1, "L3 After Hours Override", 0.0f},
    {kBinaryInput, 1, "L3 Panel Door Switch", 0.0f},
    {kMultiStateValue, 1, "L3 Lighting Schedule Mode", 1.0f},
};
constexpr Point kChillerPoints[] = {
    {kAnalogInput, 1, "CH-1 CHW Supply Temp", 6.5f},
    {kAnalogInput, 2, "CH-1 CHW Return Temp", 12.0f},
    {kAnalogInput, 3, "CH-1 Condenser Water Temp", 29.0f},
    {kAnalogOutput, 1, "CH-1 Load Limit", 80.0f},
    {kBinaryOutput, 1, "CH-1 Enable", 1.0f},
    {kBinaryInput, 1, "CH-1 Fault", 0.0f},
    {kAnalogValue, 1, "CH-1 CHW Setpoint", 6.5f},
    {kMultiStateValue, 1, "CH-1 Operating Mode", 3.0f},
};

constexpr Device kControllerTable[] = {
    {21, 21, 0, "Simulated air handling unit 1, plant room level 3, serving floors 2 to 4.",
     kAhuPoints},
    {42, 42, 0, "Simulated variable air volume box 07 on floor 2, east office wing.", kVavPoints},
    {64, 64, 0, "Simulated boiler plant controller, basement plant room: two boilers, one pump.",
     kBoilerPoints},
    {126, 126, 0, "Simulated lighting panel L3, floor 3, with after-hours override.",
     kLightingPoints},
    {200, 200, 0, "Simulated chiller CH-1, roof plant, chilled water for the air handling units.",
     kChillerPoints},
};

// Long enough that a device description can fill a frame to its last byte.
constexpr std::string_view kServiceNotes =
    " Commissioned by the controls contractor; sensors calibrated at the last "
    "annual service. Wiring diagrams, point schedule and sequence of operation "
    "are in the operation and maintenance manual kept in the plant room. Report "
    "faults to the facilities help desk, quoting the device instance shown on "
    "the controller label and the time the fault was first seen.";

}  // namespace

constinit const Device kWorkstation = {3, 3, 0, "Simulated operator workstation", {}};
constinit const std::span<const Device> kControllers = kControllerTable;
constinit const Device& kAhu = kControllerTable[0];
constinit const Device& kBoilerPlant = kControllerTable[2];
constinit const Point& kOutsideAirTemp = kBoilerPoints[2];

bool IsAnalog(std::uint16_t type) {
  return type == kAnalogInput || type == kAnalogOutput || type == kAnalogValue;
}
bool IsBinary(std::uint16_t type) {
  return type == kBinaryInput || type == kBinaryOutput || type == kBinaryValue;
}
bool IsCommandable(std::uint16_t type) {
  return type != kAnalogInput && type != kBinaryInput;
}

const Point& PointOr(const Device& device, const Point& chosen, bool (*wanted)(std::uint16_t)) {
  if (wanted(chosen.type)) return chosen;
  return *std::find_if(device.points.begin(), device.points.end(),
                       [wanted](const Point& p) { return wanted(p.type); });
}

std::string Description(const Device& device, std::size_t length) {
  std::string description(device.description);
  while (description.size() < length) description += kServiceNotes;
  description.resize(length);
  return description;
}

bool NodeOccupied(std::uint8_t node) {
  if (node == kWorkstation.node) return true;
  return std::any_of(kControllers.begin(), kControllers.end(),
                     [node](const Device& d) { return d.node == node; });
}

std::uint8_t FreeNodeFrom(std::uint8_t wanted) {
  for (int step = 0; step < 255; ++step) {
    const auto node = static_cast<std::uint8_t>((wanted - 1 + step) % 255 + 1);
    if (!NodeOccupied(node)) return node;
  }
  return wanted;  // unreachable: the devices occupy only a few IDs
}

}  // namespace pondel
