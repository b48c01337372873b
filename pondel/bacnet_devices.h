// The devices on the simulated ARCNET network: an operator workstation and
// five building-automation controllers, each on its own node ID, with the
// BACnet objects (points) each one holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pondel {

// BACnet object types (ASHRAE 135 clause 21, BACnetObjectType).
enum : std::uint16_t {
  kAnalogInput = 0,
  kAnalogOutput = 1,
  kAnalogValue = 2,
  kBinaryInput = 3,
  kBinaryOutput = 4,
  kBinaryValue = 5,
  kDevice = 8,
  kMultiStateValue = 19,
};

bool IsAnalog(std::uint16_t type);
bool IsBinary(std::uint16_t type);
// Whether an operator may write the present value of an object of this type.
bool IsCommandable(std::uint16_t type);

struct Point {
  std::uint16_t type;
  std::uint32_t instance;
  std::string_view name;
  float nominal;  // analog points wander around this value
};

struct Device {
  std::uint8_t node;
  std::uint32_t instance;  // device instances follow the node IDs, as sites often do
  std::uint16_t vendor;    // 0, ASHRAE's own: these devices are no maker's product
  std::string_view description;
  std::span<const Point> points;
};

// The workstation is a client only; the controllers answer it.
extern const Device kWorkstation;
extern const std::span<const Device> kControllers;
// One controller reads another: the air handler watches the outside air
// temperature that the boiler plant measures.
extern const Device& kAhu;
extern const Device& kBoilerPlant;
extern const Point& kOutsideAirTemp;

// The chosen point if it is of the kind wanted, else the device's first that is.
const Point& PointOr(const Device& device, const Point& chosen, bool (*wanted)(std::uint16_t));

// The device's description carried on with its service notes, `length`
// characters of it: any length, so an answer can fill a frame to its last byte.
std::string Description(const Device& device, std::size_t length);

// Whether a simulated device sits on this node ID (3, 21, 42, 64, 126, 200).
bool NodeOccupied(std::uint8_t node);

// The node ID a controller joining the network as `wanted` ends up with: the
// next free one, going up and wrapping from 255 to 1, as a controller that
// finds its ID taken moves on.
std::uint8_t FreeNodeFrom(std::uint8_t wanted);

}  // namespace pondel
