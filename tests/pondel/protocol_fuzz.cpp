// Fuzz target: the device protocol's decoding, as the library and the device
// simulator meet it. Bytes from a peer are cut into messages in pieces of
// every size, and every decoder is run on every message; whatever a decoder
// accepts must encode back to exactly the bytes it came from, so encoder and
// decoder can never disagree about a field. AddressSanitizer catches any
// read past a message.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "pondel/protocol.h"

namespace {

namespace wire = pondel::wire;
using Bytes = std::vector<std::uint8_t>;

// The message as it came: length field, type and body.
Bytes Whole(const wire::Message& message) {
  const std::size_t length = message.body.size() + 1;
  Bytes bytes(wire::kLengthFieldSize + length);
  bytes[0] = static_cast<std::uint8_t>(length >> 8);
  bytes[1] = static_cast<std::uint8_t>(length);
  bytes[2] = message.type;
  if (!message.body.empty())
    std::memcpy(bytes.data() + 3, message.body.data(), message.body.size());
  return bytes;
}

void Expect(bool holds) {
  if (!holds) std::abort();
}

template <typename Decoded, typename Encode>
void RoundTrip(const wire::Message& message, const Decoded& decoded, wire::Type type,
               Encode encode) {
  if (!decoded) return;
  Bytes again;
  encode(again, *decoded);
  // A body that decodes as another type's may differ in the type byte only.
  Bytes whole = Whole(message);
  whole[2] = static_cast<std::uint8_t>(type);
  Expect(again == whole);
}

void DecodeEveryWay(const wire::Message& m) {
  RoundTrip(m, wire::DecodeHello(m.body), wire::Type::kHello,
            [](Bytes& out, wire::VersionRange v) { wire::AppendHello(out, v); });
  RoundTrip(m, wire::DecodeWelcome(m.body), wire::Type::kWelcome, wire::AppendWelcome);
  RoundTrip(m, wire::DecodeRefuse(m.body), wire::Type::kRefuse, wire::AppendRefuse);
  RoundTrip(m, wire::DecodeInitDone(m.body), wire::Type::kInitDone, wire::AppendInitDone);
  RoundTrip(m, wire::DecodeRegister(m.body), wire::Type::kRegister, wire::AppendRegister);
  RoundTrip(m, wire::DecodeRegisterDone(m.body), wire::Type::kRegisterDone,
            wire::AppendRegisterDone);
  RoundTrip(m, wire::DecodeTag(m.body), wire::Type::kFlush, wire::AppendFlush);
  RoundTrip(m, wire::DecodeBye(m.body), wire::Type::kBye, wire::AppendBye);
  RoundTrip(m, wire::DecodeDiscover(m.body), wire::Type::kDiscover, wire::AppendDiscover);
  RoundTrip(m, wire::DecodeOffer(m.body), wire::Type::kOffer, wire::AppendOffer);
  if (wire::DecodeEmpty(m.body)) Expect(m.body.empty());
  ArcnetFrame frame;
  std::memset(&frame, 0xEE, sizeof frame);
  if (const auto sequence = wire::DecodeFrame(m.body, frame)) {
    Expect(frame.length <= kArcnetMaxData);
    Bytes again;
    wire::AppendFrame(again, *sequence, frame);
    Bytes whole = Whole(m);
    whole[2] = static_cast<std::uint8_t>(wire::Type::kFrame);
    Expect(again == whole);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  // As a datagram: exactly one DISCOVER or OFFER, each what it encodes back to.
  if (const auto discover = wire::DecodeDiscoverDatagram(input)) {
    Bytes again;
    wire::AppendDiscover(again, *discover);
    Expect(again == Bytes(data, data + size));
  }
  if (const auto offer = wire::DecodeOfferDatagram(input)) {
    Bytes again;
    wire::AppendOffer(again, *offer);
    Expect(again == Bytes(data, data + size));
  }
  // As a stream, arriving in pieces whose sizes the first byte chooses.
  if (size == 0) return 0;
  const std::size_t piece = data[0] % 7 == 0 ? size : data[0] % 7 * 97 % 1100 + 1;
  wire::MessageReader reader;
  for (std::size_t at = 1; at < size;) {
    const auto space = reader.Space();
    Expect(space.size() >= wire::kLengthFieldSize + wire::kMaxMessageLength);
    const std::size_t n = std::min({piece, size - at, space.size()});
    std::memcpy(space.data(), data + at, n);
    reader.Commit(n);
    at += n;
    wire::Message message;
    for (auto next = reader.Next(message); next != wire::MessageReader::Result::kNeedMore;
         next = reader.Next(message)) {
      if (next == wire::MessageReader::Result::kMalformed) return 0;  // the link ends here
      DecodeEveryWay(message);
    }
  }
  return 0;
}
