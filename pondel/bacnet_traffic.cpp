#include "pondel/bacnet_traffic.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <span>
#include <string>
#include <string_view>

namespace pondel {

namespace {

// BACnet numbers used below (object types, property identifiers, services).
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
enum : std::uint8_t {
  kPropDescription = 28,
  kPropObjectName = 77,
  kPropPresentValue = 85,
  kPropStatusFlags = 111,
  kPropUnits = 117,
};
enum : std::uint8_t {
  kServiceIAm = 0,
  kServiceWhoIs = 8,
  kServiceReadProperty = 12,
  kServiceReadPropertyMultiple = 14,
  kServiceWriteProperty = 15,
};
inline constexpr std::uint32_t kWildcardDevice = 4194303;
inline constexpr std::uint8_t kBroadcast = 0;

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

// The workstation is a client only; the five controllers answer it.
constexpr Device kWorkstation = {3, 3, 0, "Simulated operator workstation", {}};
constexpr Device kControllers[] = {
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
constexpr const Device& kAhu = kControllers[0];
constexpr const Device& kBoilerPlant = kControllers[2];
constexpr std::size_t kOutsideAirTemp = 2;  // in kBoilerPoints

// Long enough that a device description can fill a frame to its last byte.
constexpr std::string_view kServiceNotes =
    " Commissioned by the controls contractor; sensors calibrated at the last "
    "annual service. Wiring diagrams, point schedule and sequence of operation "
    "are in the operation and maintenance manual kept in the plant room. Report "
    "faults to the facilities help desk, quoting the device instance shown on "
    "the controller label and the time the fault was first seen.";

bool IsAnalog(std::uint16_t type) {
  return type == kAnalogInput || type == kAnalogOutput || type == kAnalogValue;
}
bool IsBinary(std::uint16_t type) {
  return type == kBinaryInput || type == kBinaryOutput || type == kBinaryValue;
}
bool IsCommandable(std::uint16_t type) {
  return type != kAnalogInput && type != kBinaryInput;
}

// The chosen point if it is of the kind wanted, else the device's first that is.
const Point& PointOr(const Device& device, const Point& chosen, bool (*wanted)(std::uint16_t)) {
  if (wanted(chosen.type)) return chosen;
  return *std::find_if(device.points.begin(), device.points.end(),
                       [wanted](const Point& p) { return wanted(p.type); });
}

// Writes one frame's data: the ARCNET system code, LLC and NPDU header, then
// BACnet tags. Tag bytes follow ASHRAE 135 clause 20.2: tag number in the
// high nibble, class bit 0x08 for context tags, length (or 6/7 for opening and
// closing tags) in the low three bits.
class FrameBuilder {
 public:
  FrameBuilder(ArcnetFrame& frame, std::uint8_t source, std::uint8_t destination,
               std::uint8_t npduControl)
      : frame_(frame) {
    frame_.source = source;
    frame_.destination = destination;
    frame_.waiting = 0;
    for (std::uint8_t b : {0xCD, 0x82, 0x82, 0x03, 0x01}) Byte(b);  // system code, LLC, version
    Byte(npduControl);
  }
  ~FrameBuilder() {
    assert(size_ <= kArcnetMaxData);
    frame_.length = static_cast<std::uint16_t>(std::min(size_, kArcnetMaxData));
  }

  // Bytes past the end of the frame are counted but not stored, so a caller
  // can write a piece, see that it does not fit, and take it back.
  std::size_t Size() const { return size_; }
  void Truncate(std::size_t size) { size_ = size; }

  void Byte(std::uint8_t b) {
    if (size_ < kArcnetMaxData) frame_.data[size_] = b;
    ++size_;
  }

  void ObjectId(std::uint8_t tagByte, std::uint16_t type, std::uint32_t instance) {
    Byte(tagByte);
    Big(static_cast<std::uint32_t>(type) << 22 | instance, 4);
  }
  void ContextObjectId(std::uint8_t tag, std::uint16_t type, std::uint32_t instance) {
    ObjectId(static_cast<std::uint8_t>(tag << 4 | 0x08 | 4), type, instance);
  }
  void AppObjectId(std::uint16_t type, std::uint32_t instance) { ObjectId(0xC4, type, instance); }

  void ContextUnsigned(std::uint8_t tag, std::uint32_t value) {
    Tagged(static_cast<std::uint8_t>(tag << 4 | 0x08), value);
  }
  void AppUnsigned(std::uint32_t value) { Tagged(0x20, value); }
  void AppEnumerated(std::uint32_t value) { Tagged(0x90, value); }

  void AppReal(float value) {
    Byte(0x44);
    Big(std::bit_cast<std::uint32_t>(value), 4);
  }

  // Character set 0 (UTF-8), so the length counts one byte more than the text.
  void AppCharacterString(std::string_view text) {
    const std::size_t length = text.size() + 1;
    if (length <= 4) {
      Byte(static_cast<std::uint8_t>(0x70 | length));
    } else if (length <= 253) {
      Byte(0x75);
      Byte(static_cast<std::uint8_t>(length));
    } else {
      Byte(0x75);
      Byte(254);
      Big(static_cast<std::uint32_t>(length), 2);
    }
    Byte(0x00);
    for (char c : text) Byte(static_cast<std::uint8_t>(c));
  }

  // Status-flags: four bits, all clear (in alarm, fault, overridden, out of service).
  void AppStatusFlags() {
    for (std::uint8_t b : {0x82, 0x04, 0x00}) Byte(b);
  }

  void Open(std::uint8_t tag) { Byte(static_cast<std::uint8_t>(tag << 4 | 0x0E)); }
  void Close(std::uint8_t tag) { Byte(static_cast<std::uint8_t>(tag << 4 | 0x0F)); }

 private:
  void Big(std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) Byte(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  void Tagged(std::uint8_t tagByte, std::uint32_t value) {
    const int bytes = value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : value <= 0xFFFFFF ? 3 : 4;
    Byte(static_cast<std::uint8_t>(tagByte | bytes));
    Big(value, bytes);
  }

  ArcnetFrame& frame_;
  std::size_t size_ = 0;
};

// NPDU control: a confirmed request expects a reply, everything else does not.
constexpr std::uint8_t kExpectingReply = 0x04;
constexpr std::uint8_t kNoReply = 0x00;
constexpr std::uint8_t kNetworkMessage = 0x80;

// APDU headers (clause 20.1).
void ConfirmedRequest(FrameBuilder& b, std::uint8_t invokeId, std::uint8_t service) {
  b.Byte(0x00);  // confirmed request, not segmented
  b.Byte(0x03);  // no segments; accepts APDUs up to 480 bytes (fits an ARCNET frame)
  b.Byte(invokeId);
  b.Byte(service);
}
void ComplexAck(FrameBuilder& b, std::uint8_t invokeId, std::uint8_t service) {
  b.Byte(0x30);
  b.Byte(invokeId);
  b.Byte(service);
}

}  // namespace

bool NodeOccupied(std::uint8_t node) {
  if (node == kWorkstation.node) return true;
  return std::any_of(std::begin(kControllers), std::end(kControllers),
                     [node](const Device& d) { return d.node == node; });
}

std::uint8_t FreeNodeFrom(std::uint8_t wanted) {
  for (int step = 0; step < 255; ++step) {
    const auto node = static_cast<std::uint8_t>((wanted - 1 + step) % 255 + 1);
    if (!NodeOccupied(node)) return node;
  }
  return wanted;  // unreachable: the devices occupy only a few IDs
}

namespace {

// One conversation at a time is made up here: the frames it puts on the wire
// now, and the answers that follow later.
class Conversation {
 public:
  Conversation(SimRandom& rng, std::deque<ArcnetFrame>& replies) : rng_(rng), replies_(replies) {}

  void PresentValue(FrameBuilder& b, const Point& p) {
    if (IsAnalog(p.type)) {
      b.AppReal(p.nominal +
                p.nominal * 0.02f * (static_cast<float>(rng_.Between(-100, 100)) / 100));
    } else if (IsBinary(p.type)) {
      // Mostly as planned, now and then the other way.
      const bool active = (p.nominal != 0) != (rng_.Below(10) == 0);
      b.AppEnumerated(active ? 1 : 0);
    } else {
      b.AppUnsigned(static_cast<std::uint32_t>(p.nominal));
    }
  }

  ArcnetFrame& Reply() { return replies_.emplace_back(); }

  void ReadProperty(ArcnetFrame& out, const Device& client, std::uint8_t invokeId,
                    const Device& server, const Point& p) {
    {
      FrameBuilder req(out, client.node, server.node, kExpectingReply);
      ConfirmedRequest(req, invokeId, kServiceReadProperty);
      req.ContextObjectId(0, p.type, p.instance);
      req.ContextUnsigned(1, kPropPresentValue);
    }
    FrameBuilder ack(Reply(), server.node, client.node, kNoReply);
    ComplexAck(ack, invokeId, kServiceReadProperty);
    ack.ContextObjectId(0, p.type, p.instance);
    ack.ContextUnsigned(1, kPropPresentValue);
    ack.Open(3);
    PresentValue(ack, p);
    ack.Close(3);
  }

  // Units of a binary point: no such property, so the answer is an Error PDU.
  void ReadUnknownProperty(ArcnetFrame& out, std::uint8_t invokeId, const Device& server,
                           const Point& p) {
    {
      FrameBuilder req(out, kWorkstation.node, server.node, kExpectingReply);
      ConfirmedRequest(req, invokeId, kServiceReadProperty);
      req.ContextObjectId(0, p.type, p.instance);
      req.ContextUnsigned(1, kPropUnits);
    }
    FrameBuilder error(Reply(), server.node, kWorkstation.node, kNoReply);
    error.Byte(0x50);
    error.Byte(invokeId);
    error.Byte(kServiceReadProperty);
    error.AppEnumerated(2);   // error class: property
    error.AppEnumerated(32);  // error code: unknown-property
  }

  // Present value, status flags and name of several points, then as much of
  // the device's description as brings the answer to targetLength bytes.
  void ReadPropertyMultiple(ArcnetFrame& out, std::uint8_t invokeId, const Device& server,
                            std::size_t targetLength) {
    static constexpr std::uint8_t kPointProperties[] = {kPropPresentValue, kPropStatusFlags,
                                                        kPropObjectName};
    // The description entry: object id 5, opening and closing tags 1 and 4
    // (4), property id 2, and a string of at least 4 characters (7).
    static constexpr std::size_t kSmallestTail = 5 + 4 + 2 + 7;
    const std::size_t first = rng_.Below(static_cast<std::uint32_t>(server.points.size()));
    std::size_t count = 0;

    FrameBuilder ack(Reply(), server.node, kWorkstation.node, kNoReply);
    ComplexAck(ack, invokeId, kServiceReadPropertyMultiple);
    for (; count < server.points.size(); ++count) {
      const Point& p = server.points[(first + count) % server.points.size()];
      const std::size_t before = ack.Size();
      ack.ContextObjectId(0, p.type, p.instance);
      ack.Open(1);
      for (std::uint8_t property : kPointProperties) {
        ack.ContextUnsigned(2, property);
        ack.Open(4);
        if (property == kPropPresentValue) PresentValue(ack, p);
        if (property == kPropStatusFlags) ack.AppStatusFlags();
        if (property == kPropObjectName) ack.AppCharacterString(p.name);
        ack.Close(4);
      }
      ack.Close(1);
      if (ack.Size() + kSmallestTail > targetLength) {
        ack.Truncate(before);
        break;
      }
    }
    ack.ContextObjectId(0, kDevice, server.instance);
    ack.Open(1);
    ack.ContextUnsigned(2, kPropDescription);
    ack.Open(4);
    // Room for the string, after the two closing tags. Its own overhead is
    // tag, length and character set (3 bytes) up to 252 characters, and two
    // more beyond; the two lengths in between cannot be met exactly.
    const std::size_t room = targetLength - ack.Size() - 2;
    const std::size_t text = room - 3 <= 252 ? room - 3 : room >= 258 ? room - 5 : 252;
    std::string description(server.description);
    while (description.size() < text) description += kServiceNotes;
    description.resize(text);
    ack.AppCharacterString(description);
    ack.Close(4);
    ack.Close(1);

    FrameBuilder req(out, kWorkstation.node, server.node, kExpectingReply);
    ConfirmedRequest(req, invokeId, kServiceReadPropertyMultiple);
    for (std::size_t i = 0; i < count; ++i) {
      const Point& p = server.points[(first + i) % server.points.size()];
      req.ContextObjectId(0, p.type, p.instance);
      req.Open(1);
      for (std::uint8_t property : kPointProperties) req.ContextUnsigned(0, property);
      req.Close(1);
    }
    req.ContextObjectId(0, kDevice, server.instance);
    req.Open(1);
    req.ContextUnsigned(0, kPropDescription);
    req.Close(1);
  }

  void WriteProperty(ArcnetFrame& out, std::uint8_t invokeId, const Device& server,
                     const Point& p) {
    {
      FrameBuilder req(out, kWorkstation.node, server.node, kExpectingReply);
      ConfirmedRequest(req, invokeId, kServiceWriteProperty);
      req.ContextObjectId(0, p.type, p.instance);
      req.ContextUnsigned(1, kPropPresentValue);
      req.Open(3);
      PresentValue(req, p);
      req.Close(3);
      req.ContextUnsigned(4, 8);  // priority 8, manual operator
    }
    FrameBuilder ack(Reply(), server.node, kWorkstation.node, kNoReply);
    ack.Byte(0x20);  // simple ACK
    ack.Byte(invokeId);
    ack.Byte(kServiceWriteProperty);
  }

  static void IAm(ArcnetFrame& out, const Device& d, std::uint8_t destination) {
    FrameBuilder b(out, d.node, destination, kNoReply);
    b.Byte(0x10);  // unconfirmed request
    b.Byte(kServiceIAm);
    b.AppObjectId(kDevice, d.instance);
    b.AppUnsigned(480);  // max APDU length accepted
    b.AppEnumerated(3);  // segmentation: none
    b.AppUnsigned(d.vendor);
  }

  // Who-Is to everyone (or to one node); every device in range answers with a
  // broadcast I-Am. Without a range, all of them.
  void WhoIs(ArcnetFrame& out, std::uint8_t destination, bool ranged) {
    std::uint32_t low = 0, high = kWildcardDevice;
    {
      FrameBuilder b(out, kWorkstation.node, destination, kNoReply);
      b.Byte(0x10);
      b.Byte(kServiceWhoIs);
      if (ranged) {
        low = static_cast<std::uint32_t>(rng_.Between(1, 100));
        high = low + static_cast<std::uint32_t>(rng_.Between(0, 120));
        b.ContextUnsigned(0, low);
        b.ContextUnsigned(1, high);
      }
    }
    if (destination != kBroadcast) return;  // our adapter does not speak BACnet
    for (const Device& d : kControllers) {
      if (d.instance >= low && d.instance <= high) IAm(Reply(), d, kBroadcast);
    }
  }

 private:
  SimRandom& rng_;
  std::deque<ArcnetFrame>& replies_;
};

}  // namespace

BacnetTraffic::BacnetTraffic(std::uint64_t seed, bool shortestOnly)
    : rng_(seed), shortestOnly_(shortestOnly) {}

void BacnetTraffic::Next(std::uint8_t adapterNode, ArcnetFrame& frame) {
  if (shortestOnly_) {
    Shortest(adapterNode, frame);
    return;
  }
  // Answers go out when their device next holds the token: mostly at once,
  // sometimes after another conversation has started.
  if (!replies_.empty() && (rng_.Below(4) != 0 || replies_.size() > 8)) {
    frame = replies_.front();
    replies_.pop_front();
    return;
  }
  NewConversation(adapterNode, frame);
}

void BacnetTraffic::Shortest(std::uint8_t adapterNode, ArcnetFrame& frame) {
  const Device& from = kControllers[rng_.Below(std::size(kControllers))];
  const std::uint32_t pick = rng_.Below(4);
  const std::uint8_t to = pick < 2    ? kBroadcast
                          : pick == 2 ? adapterNode
                                      : kControllers[rng_.Below(std::size(kControllers))].node;
  FrameBuilder b(frame, from.node, to, kNetworkMessage);
  b.Byte(0x00);  // Who-Is-Router-To-Network, for every network
}

void BacnetTraffic::NewConversation(std::uint8_t adapterNode, ArcnetFrame& frame) {
  Conversation c(rng_, replies_);
  const Device& server = kControllers[rng_.Below(std::size(kControllers))];
  const Point& point = server.points[rng_.Below(static_cast<std::uint32_t>(server.points.size()))];
  std::uint8_t& workstationInvokeId = invokeIds_[0];

  const std::uint32_t roll = rng_.Below(100);
  if (roll < 32) {
    c.ReadProperty(frame, kWorkstation, workstationInvokeId++, server, point);
  } else if (roll < 54) {
    // A quarter of them fill the frame to the last byte.
    const std::size_t target = rng_.Below(4) == 0 ? kArcnetMaxData : rng_.Between(64, 508);
    c.ReadPropertyMultiple(frame, workstationInvokeId++, server, target);
  } else if (roll < 64) {
    // The air handler keeps an eye on the outside air temperature.
    c.ReadProperty(frame, kAhu, invokeIds_[1]++, kBoilerPlant,
                   kBoilerPlant.points[kOutsideAirTemp]);
  } else if (roll < 72) {
    c.WriteProperty(frame, workstationInvokeId++, server, PointOr(server, point, IsCommandable));
  } else if (roll < 75) {
    c.ReadUnknownProperty(frame, workstationInvokeId++, server, PointOr(server, point, IsBinary));
  } else if (roll < 80) {
    // The workstation has seen a new node and asks who is there.
    FrameBuilder b(frame, kWorkstation.node, adapterNode, kExpectingReply);
    ConfirmedRequest(b, workstationInvokeId++, kServiceReadProperty);
    b.ContextObjectId(0, kDevice, kWildcardDevice);
    b.ContextUnsigned(1, kPropObjectName);
  } else if (roll < 83) {
    c.WhoIs(frame, adapterNode, false);
  } else if (roll < 91) {
    const bool workstation = rng_.Below(6) == 0;
    Conversation::IAm(frame, workstation ? kWorkstation : server, kBroadcast);
  } else if (roll < 94) {
    c.WhoIs(frame, kBroadcast, false);
  } else if (roll < 97) {
    c.WhoIs(frame, kBroadcast, true);
  } else {
    FrameBuilder b(frame, kWorkstation.node, kBroadcast, kNetworkMessage);
    b.Byte(0x00);  // Who-Is-Router-To-Network
  }
}

}  // namespace pondel
