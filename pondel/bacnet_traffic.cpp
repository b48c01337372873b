#include "pondel/bacnet_traffic.h"

#include <string>

#include "pondel/bacnet_devices.h"
#include "pondel/bacnet_frame_builder.h"

namespace pondel {

namespace {

// BACnet property identifiers and services used below.
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
    ack.AppCharacterString(Description(server, text));
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
  const Device& from = kControllers[rng_.Below(static_cast<std::uint32_t>(kControllers.size()))];
  const std::uint32_t pick = rng_.Below(4);
  const std::uint8_t to =
      pick < 2    ? kBroadcast
      : pick == 2 ? adapterNode
                  : kControllers[rng_.Below(static_cast<std::uint32_t>(kControllers.size()))].node;
  FrameBuilder b(frame, from.node, to, kNetworkMessage);
  b.Byte(0x00);  // Who-Is-Router-To-Network, for every network
}

void BacnetTraffic::NewConversation(std::uint8_t adapterNode, ArcnetFrame& frame) {
  Conversation c(rng_, replies_);
  const Device& server = kControllers[rng_.Below(static_cast<std::uint32_t>(kControllers.size()))];
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
    c.ReadProperty(frame, kAhu, invokeIds_[1]++, kBoilerPlant, kOutsideAirTemp);
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
