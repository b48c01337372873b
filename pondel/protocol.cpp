#include "pondel/protocol.h"

#include <algorithm>
#include <cstring>

namespace pondel::wire {

namespace {

// Room for many messages per receive: a flood of short frames arrives in
// large reads, and every read costs a system call.
constexpr std::size_t kReaderBuffer = 64 * 1024;

// Fixed parts of the bodies, in bytes.
constexpr std::size_t kFrameHeaderSize = 6;  // sequence, source, destination

// Builds one message: the length field is filled in when the body is done.
class MessageWriter {
 public:
  MessageWriter(std::vector<std::uint8_t>& out, Type type) : out_(out), start_(out.size()) {
    out_.resize(start_ + kLengthFieldSize);
    U8(static_cast<std::uint8_t>(type));
  }
  ~MessageWriter() {
    const std::size_t length = out_.size() - start_ - kLengthFieldSize;
    out_[start_] = static_cast<std::uint8_t>(length >> 8);
    out_[start_ + 1] = static_cast<std::uint8_t>(length);
  }
  MessageWriter(const MessageWriter&) = delete;
  MessageWriter& operator=(const MessageWriter&) = delete;

  MessageWriter& U8(std::uint8_t v) {
    out_.push_back(v);
    return *this;
  }
  MessageWriter& U16(std::uint16_t v) { return U8(static_cast<std::uint8_t>(v >> 8)).U8(v & 0xFF); }
  MessageWriter& U32(std::uint32_t v) {
    return U16(static_cast<std::uint16_t>(v >> 16)).U16(v & 0xFFFF);
  }
  MessageWriter& Bytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), bytes, bytes + size);
    return *this;
  }
  MessageWriter& Magic() { return Bytes(kMagic, sizeof kMagic); }
  MessageWriter& Versions(VersionRange range) { return U16(range.lowest).U16(range.highest); }
  // A name longer than a message may carry is cut, never sent whole.
  MessageWriter& Name(std::string_view name) {
    return Bytes(name.data(), std::min(name.size(), kMaxNameLength));
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::size_t start_;
};

// Reads a body field by field; any read past the end, or bytes left over
// when Done() is asked, fails the whole decode.
class BodyReader {
 public:
  explicit BodyReader(std::span<const std::uint8_t> body) : body_(body) {}

  std::uint8_t U8() {
    if (at_ + 1 > body_.size()) return Fail();
    return body_[at_++];
  }
  // The high part is read first: the operands of | are not sequenced.
  std::uint16_t U16() {
    const std::uint16_t high = U8();
    return static_cast<std::uint16_t>(high << 8 | U8());
  }
  std::uint32_t U32() {
    const std::uint32_t high = U16();
    return high << 16 | U16();
  }
  void Magic() {
    if (body_.size() - at_ < sizeof kMagic ||
        std::memcmp(body_.data() + at_, kMagic, sizeof kMagic) != 0) {
      Fail();
      return;
    }
    at_ += sizeof kMagic;
  }
  VersionRange Versions() {
    VersionRange range;
    range.lowest = U16();
    range.highest = U16();
    if (range.lowest == 0 || range.lowest > range.highest) Fail();
    return range;
  }
  std::span<const std::uint8_t> Rest(std::size_t most) {
    const std::size_t size = body_.size() - at_;
    if (size > most) {
      Fail();
      return {};
    }
    const auto rest = body_.subspan(at_, size);
    at_ = body_.size();
    return rest;
  }
  std::string Name() {
    const auto bytes = Rest(kMaxNameLength);
    return std::string(bytes.begin(), bytes.end());
  }
  // Every byte read and none missing.
  bool Done() const { return ok_ && at_ == body_.size(); }

 private:
  std::uint8_t Fail() {
    ok_ = false;
    at_ = body_.size();
    return 0;
  }

  std::span<const std::uint8_t> body_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

template <typename T>
std::optional<T> IfDone(const BodyReader& reader, T value) {
  return reader.Done() ? std::optional<T>(std::move(value)) : std::nullopt;
}

}  // namespace

void AppendHello(std::vector<std::uint8_t>& out, VersionRange versions) {
  MessageWriter(out, Type::kHello).Magic().Versions(versions);
}

void AppendWelcome(std::vector<std::uint8_t>& out, const Welcome& welcome) {
  MessageWriter(out, Type::kWelcome)
      .Magic()
      .U16(welcome.version)
      .U32(welcome.features)
      .Name(welcome.name);
}

void AppendRefuse(std::vector<std::uint8_t>& out, const Refuse& refuse) {
  MessageWriter(out, Type::kRefuse)
      .U8(static_cast<std::uint8_t>(refuse.reason))
      .Versions(refuse.device);
}

void AppendInit(std::vector<std::uint8_t>& out) {
  MessageWriter(out, Type::kInit);
}

void AppendInitDone(std::vector<std::uint8_t>& out, std::uint8_t nodeId) {
  MessageWriter(out, Type::kInitDone).U8(nodeId);
}

void AppendRegister(std::vector<std::uint8_t>& out, const RegisterCall& call) {
  MessageWriter(out, Type::kRegister)
      .U16(call.tag)
      .U8(call.request.operation)
      .U8(call.request.reg)
      .U8(call.request.value);
}

void AppendRegisterDone(std::vector<std::uint8_t>& out, const RegisterDone& done) {
  MessageWriter(out, Type::kRegisterDone)
      .U16(done.tag)
      .U8(static_cast<std::uint8_t>(done.status))
      .U8(done.value);
}

void AppendFlush(std::vector<std::uint8_t>& out, std::uint16_t tag) {
  MessageWriter(out, Type::kFlush).U16(tag);
}

void AppendFlushed(std::vector<std::uint8_t>& out, std::uint16_t tag) {
  MessageWriter(out, Type::kFlushed).U16(tag);
}

void AppendFrame(std::vector<std::uint8_t>& out, std::uint32_t sequence, const ArcnetFrame& frame) {
  MessageWriter(out, Type::kFrame)
      .U32(sequence)
      .U8(frame.source)
      .U8(frame.destination)
      .Bytes(frame.data, std::min<std::size_t>(frame.length, kArcnetMaxData));
}

void AppendPing(std::vector<std::uint8_t>& out) {
  MessageWriter(out, Type::kPing);
}

void AppendPong(std::vector<std::uint8_t>& out) {
  MessageWriter(out, Type::kPong);
}

void AppendBye(std::vector<std::uint8_t>& out, ByeReason reason) {
  MessageWriter(out, Type::kBye).U8(static_cast<std::uint8_t>(reason));
}

void AppendDiscover(std::vector<std::uint8_t>& out, const Discover& discover) {
  MessageWriter(out, Type::kDiscover).Magic().Versions(discover.versions).U32(discover.nonce);
}

void AppendOffer(std::vector<std::uint8_t>& out, const Offer& offer) {
  MessageWriter(out, Type::kOffer)
      .Magic()
      .U32(offer.nonce)
      .U16(offer.version)
      .U16(offer.port)
      .U8(offer.nodeId)
      .U8(static_cast<std::uint8_t>(offer.state))
      .Name(offer.name);
}

std::optional<VersionRange> DecodeHello(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  r.Magic();
  const VersionRange versions = r.Versions();
  return IfDone(r, versions);
}

std::optional<Welcome> DecodeWelcome(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  Welcome welcome;
  r.Magic();
  welcome.version = r.U16();
  welcome.features = r.U32();
  welcome.name = r.Name();
  return IfDone(r, std::move(welcome));
}

std::optional<Refuse> DecodeRefuse(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  const std::uint8_t reason = r.U8();
  const VersionRange device = r.Versions();
  if (reason != static_cast<std::uint8_t>(RefuseReason::kNoCommonVersion) &&
      reason != static_cast<std::uint8_t>(RefuseReason::kBusy))
    return std::nullopt;
  return IfDone(r, Refuse{static_cast<RefuseReason>(reason), device});
}

bool DecodeEmpty(std::span<const std::uint8_t> body) {
  return body.empty();
}

std::optional<std::uint8_t> DecodeInitDone(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  const std::uint8_t node = r.U8();
  // Node 0 is the broadcast ID, which no adapter holds.
  if (node == 0) return std::nullopt;
  return IfDone(r, node);
}

std::optional<RegisterCall> DecodeRegister(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  RegisterCall call;
  call.tag = r.U16();
  call.request.operation = r.U8();
  call.request.reg = r.U8();
  call.request.value = r.U8();
  return IfDone(r, call);
}

std::optional<RegisterDone> DecodeRegisterDone(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  RegisterDone done;
  done.tag = r.U16();
  const std::uint8_t status = r.U8();
  done.value = r.U8();
  if (status > static_cast<std::uint8_t>(RegisterStatus::kBadRegister)) return std::nullopt;
  done.status = static_cast<RegisterStatus>(status);
  return IfDone(r, done);
}

std::optional<std::uint16_t> DecodeTag(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  const std::uint16_t tag = r.U16();
  return IfDone(r, tag);
}

std::optional<std::uint32_t> DecodeFrame(std::span<const std::uint8_t> body, ArcnetFrame& frame) {
  if (body.size() < kFrameHeaderSize || body.size() > kFrameHeaderSize + kArcnetMaxData)
    return std::nullopt;
  BodyReader r(body.first(kFrameHeaderSize));
  const std::uint32_t sequence = r.U32();
  frame.source = r.U8();
  frame.destination = r.U8();
  const auto data = body.subspan(kFrameHeaderSize);
  frame.length = static_cast<std::uint16_t>(data.size());
  std::memcpy(frame.data, data.data(), data.size());
  return sequence;
}

std::optional<ByeReason> DecodeBye(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  const std::uint8_t reason = r.U8();
  if (reason > static_cast<std::uint8_t>(ByeReason::kDeviceShutdown)) return std::nullopt;
  return IfDone(r, static_cast<ByeReason>(reason));
}

std::optional<Discover> DecodeDiscover(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  Discover discover;
  r.Magic();
  discover.versions = r.Versions();
  discover.nonce = r.U32();
  return IfDone(r, discover);
}

std::optional<Offer> DecodeOffer(std::span<const std::uint8_t> body) {
  BodyReader r(body);
  Offer offer;
  r.Magic();
  offer.nonce = r.U32();
  offer.version = r.U16();
  offer.port = r.U16();
  offer.nodeId = r.U8();
  const std::uint8_t state = r.U8();
  offer.name = r.Name();
  if (state > static_cast<std::uint8_t>(DeviceState::kBusy) || offer.port == 0) return std::nullopt;
  offer.state = static_cast<DeviceState>(state);
  return IfDone(r, std::move(offer));
}

namespace {

// The body of a datagram that is exactly one message of this type.
std::optional<std::span<const std::uint8_t>> DatagramBody(std::span<const std::uint8_t> datagram,
                                                          Type type) {
  if (datagram.size() < kLengthFieldSize + 1) return std::nullopt;
  const std::size_t length = static_cast<std::size_t>(datagram[0] << 8 | datagram[1]);
  if (length > kMaxMessageLength || length != datagram.size() - kLengthFieldSize ||
      datagram[kLengthFieldSize] != static_cast<std::uint8_t>(type))
    return std::nullopt;
  return datagram.subspan(kLengthFieldSize + 1);
}

}  // namespace

std::optional<Discover> DecodeDiscoverDatagram(std::span<const std::uint8_t> datagram) {
  const auto body = DatagramBody(datagram, Type::kDiscover);
  return body ? DecodeDiscover(*body) : std::nullopt;
}

std::optional<Offer> DecodeOfferDatagram(std::span<const std::uint8_t> datagram) {
  const auto body = DatagramBody(datagram, Type::kOffer);
  return body ? DecodeOffer(*body) : std::nullopt;
}

std::span<std::uint8_t> MessageReader::Space() {
  if (buffer_.empty()) buffer_.resize(kReaderBuffer);
  if (begin_ == end_) begin_ = end_ = 0;
  // Keep room for a whole largest message after what is held: move the
  // unread bytes (less than one message) to the front.
  if (buffer_.size() - end_ < kLengthFieldSize + kMaxMessageLength) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  return std::span(buffer_).subspan(end_);
}

void MessageReader::Commit(std::size_t received) {
  end_ += std::min(received, buffer_.size() - end_);
}

MessageReader::Result MessageReader::Next(Message& message) {
  const std::size_t held = end_ - begin_;
  if (held < kLengthFieldSize) return Result::kNeedMore;
  const std::uint8_t* at = buffer_.data() + begin_;
  const std::size_t length = static_cast<std::size_t>(at[0] << 8 | at[1]);
  if (length == 0 || length > kMaxMessageLength) return Result::kMalformed;
  if (held < kLengthFieldSize + length) return Result::kNeedMore;
  message.type = at[kLengthFieldSize];
  message.body = std::span<const std::uint8_t>(at + kLengthFieldSize + 1, length - 1);
  begin_ += kLengthFieldSize + length;
  return Result::kMessage;
}

std::optional<std::uint16_t> CommonVersion(VersionRange ours, VersionRange theirs) {
  const std::uint16_t highest = std::min(ours.highest, theirs.highest);
  if (highest < std::max(ours.lowest, theirs.lowest)) return std::nullopt;
  return highest;
}

}  // namespace pondel::wire
