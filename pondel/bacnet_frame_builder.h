// Writes one ARCNET frame carrying BACnet: the ARCNET system code, LLC and
// NPDU header, then the APDU header and its tagged values. Defined here in
// full so that it is inlined: a flood is written byte by byte, millions of
// frames a second.
#pragma once

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "adapter/com20020.h"

namespace pondel {

// NPDU control: a confirmed request expects a reply, everything else does not.
inline constexpr std::uint8_t kExpectingReply = 0x04;
inline constexpr std::uint8_t kNoReply = 0x00;
inline constexpr std::uint8_t kNetworkMessage = 0x80;

// Tag bytes follow ASHRAE 135 clause 20.2: tag number in the high nibble,
// class bit 0x08 for context tags, length (or 6/7 for opening and closing
// tags) in the low three bits. The frame's length is set when the builder
// goes out of scope.
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
  FrameBuilder(const FrameBuilder&) = delete;
  FrameBuilder& operator=(const FrameBuilder&) = delete;

  // Bytes past the end of the frame are counted but not stored, so a caller
  // can write a piece, see that it does not fit, and take it back.
  std::size_t Size() const { return size_; }
  void Truncate(std::size_t size) { size_ = size; }

  void Byte(std::uint8_t b) {
    if (size_ < kArcnetMaxData) frame_.data[size_] = b;
    ++size_;
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
  void ObjectId(std::uint8_t tagByte, std::uint16_t type, std::uint32_t instance) {
    Byte(tagByte);
    Big(static_cast<std::uint32_t>(type) << 22 | instance, 4);
  }
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

// APDU headers (clause 20.1).
inline void ConfirmedRequest(FrameBuilder& b, std::uint8_t invokeId, std::uint8_t service) {
  b.Byte(0x00);  // confirmed request, not segmented
  b.Byte(0x03);  // no segments; accepts APDUs up to 480 bytes (fits an ARCNET frame)
  b.Byte(invokeId);
  b.Byte(service);
}
inline void ComplexAck(FrameBuilder& b, std::uint8_t invokeId, std::uint8_t service) {
  b.Byte(0x30);
  b.Byte(invokeId);
  b.Byte(service);
}

}  // namespace pondel
