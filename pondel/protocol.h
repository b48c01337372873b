// The link between the stand-in library and a network server device (our
// VORNEX device simulator, tools/vornex_sim/): the messages both ends exchange over
// TCP and the discovery datagrams over UDP, their encoding and their strict
// decoding. docs/vornex-protocol.md describes the protocol for people; this
// is the one place in code that knows its bytes.
//
// A message is a 16-bit length (the bytes after it), a type byte and a body;
// integers are big-endian. A decoder takes a body and accepts exactly the
// layout of its type, nothing shorter, longer or out of range.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "adapter/com20020.h"

namespace pondel::wire {

// The TCP port of a device and the UDP port it answers discovery on.
inline constexpr std::uint16_t kDefaultPort = 5001;

// Versions this build speaks; a device picks the highest both speak.
inline constexpr std::uint16_t kLowestVersion = 1;
inline constexpr std::uint16_t kHighestVersion = 1;

// Every HELLO, WELCOME, DISCOVER and OFFER starts with these four bytes, so a
// peer that speaks something else is told apart at its first answer.
inline constexpr std::uint8_t kMagic[4] = {'V', 'R', 'N', 'X'};

// The largest length field either end accepts: a type byte and a body of at
// most 1023 bytes. A FRAME of 508 data bytes needs 515.
inline constexpr std::size_t kMaxMessageLength = 1024;
inline constexpr std::size_t kLengthFieldSize = 2;
inline constexpr std::size_t kMaxNameLength = 64;

// The clocks of the link: both ends use the same ones.
inline constexpr auto kConnectTimeout = std::chrono::seconds(3);  // per address
inline constexpr auto kAnswerTimeout = std::chrono::seconds(2);   // WELCOME, INIT_DONE
// Once on line: the client sends a PING this often while none awaits its
// PONG; a PING, REGISTER or FLUSH unanswered for kSilenceLimit, or (at the
// device) no whole message from the client for as long, ends the link.
// So any stall or outage shorter than 3 s is outlived; the other 3 s are
// for TCP, whose resends of what an outage lost back off (Linux resends
// 0.2, 0.6, 1.4 and 3.0 s after the loss, Windows 0.3, 0.9, 2.1 and 4.5 s):
// the first bytes after a 2.5 s outage may come 4.5 s after it began.
inline constexpr auto kPingInterval = std::chrono::milliseconds(500);
inline constexpr auto kSilenceLimit = std::chrono::seconds(6);
// The most frames one FRAME's sequence number may say were lost before it:
// more than a 10 Mbps ARCNET carries in five minutes at its busiest. A
// larger jump is a protocol error.
inline constexpr std::uint32_t kMaxSequenceJump = 1u << 24;
inline constexpr auto kDiscoveryWait = std::chrono::milliseconds(1000);
inline constexpr auto kDiscoveryResend = std::chrono::milliseconds(300);
inline constexpr auto kCloseWait = std::chrono::milliseconds(500);  // for the device's close

enum class Type : std::uint8_t {
  kHello = 0x01,         // client: magic, lowest and highest version
  kWelcome = 0x02,       // device: magic, version chosen, feature bits, name
  kRefuse = 0x03,        // device: reason, its lowest and highest version
  kInit = 0x10,          // client: bring the adapter on line (no body)
  kInitDone = 0x11,      // device: the node ID the adapter holds
  kRegister = 0x20,      // client: tag, operation, register, value
  kRegisterDone = 0x21,  // device: tag, status, value
  kFlush = 0x30,         // client: tag
  kFlushed = 0x31,       // device: tag
  kFrame = 0x40,         // device: sequence, source, destination, data
  kPing = 0x50,          // client (no body)
  kPong = 0x51,          // device (no body)
  kBye = 0x60,           // either: reason
  kDiscover = 0x70,      // UDP, client: magic, lowest and highest version, nonce
  kOffer = 0x71,         // UDP, device: magic, nonce, version, TCP port, node ID, state, name
};

enum class RefuseReason : std::uint8_t { kNoCommonVersion = 1, kBusy = 2 };
enum class ByeReason : std::uint8_t { kClientOffline = 0, kDeviceShutdown = 1 };
enum class RegisterStatus : std::uint8_t { kDone = 0, kBadOperation = 1, kBadRegister = 2 };
enum class DeviceState : std::uint8_t { kFree = 0, kBusy = 1 };

struct VersionRange {
  std::uint16_t lowest = kLowestVersion;
  std::uint16_t highest = kHighestVersion;
};

struct Welcome {
  std::uint16_t version = 0;
  std::uint32_t features = 0;  // none defined in version 1; unknown bits are ignored
  std::string name;
};

struct Refuse {
  RefuseReason reason{};
  VersionRange device;
};

struct RegisterCall {
  std::uint16_t tag = 0;
  RegisterRequest request{};
};

struct RegisterDone {
  std::uint16_t tag = 0;
  RegisterStatus status{};
  std::uint8_t value = 0;
};

struct Discover {
  VersionRange versions;
  std::uint32_t nonce = 0;
};

struct Offer {
  std::uint32_t nonce = 0;
  std::uint16_t version = 0;  // the highest the device speaks
  std::uint16_t port = 0;     // where it accepts the TCP link
  std::uint8_t nodeId = 0;
  DeviceState state{};
  std::string name;
};

// Encoding: each appends one whole message, length field included.
void AppendHello(std::vector<std::uint8_t>& out, VersionRange versions = {});
void AppendWelcome(std::vector<std::uint8_t>& out, const Welcome& welcome);
void AppendRefuse(std::vector<std::uint8_t>& out, const Refuse& refuse);
void AppendInit(std::vector<std::uint8_t>& out);
void AppendInitDone(std::vector<std::uint8_t>& out, std::uint8_t nodeId);
void AppendRegister(std::vector<std::uint8_t>& out, const RegisterCall& call);
void AppendRegisterDone(std::vector<std::uint8_t>& out, const RegisterDone& done);
void AppendFlush(std::vector<std::uint8_t>& out, std::uint16_t tag);
void AppendFlushed(std::vector<std::uint8_t>& out, std::uint16_t tag);
// The data bytes are frame.length of frame.data, at most kArcnetMaxData.
void AppendFrame(std::vector<std::uint8_t>& out, std::uint32_t sequence, const ArcnetFrame& frame);
void AppendPing(std::vector<std::uint8_t>& out);
void AppendPong(std::vector<std::uint8_t>& out);
void AppendBye(std::vector<std::uint8_t>& out, ByeReason reason);
void AppendDiscover(std::vector<std::uint8_t>& out, const Discover& discover);
void AppendOffer(std::vector<std::uint8_t>& out, const Offer& offer);

// One message as it arrived: its type byte (possibly one this build does not
// know) and its body, which stays valid until the reader is given more bytes.
struct Message {
  std::uint8_t type = 0;
  std::span<const std::uint8_t> body;
};

// Decoding: nullopt when the body is not exactly what its type carries.
std::optional<VersionRange> DecodeHello(std::span<const std::uint8_t> body);
std::optional<Welcome> DecodeWelcome(std::span<const std::uint8_t> body);
std::optional<Refuse> DecodeRefuse(std::span<const std::uint8_t> body);
bool DecodeEmpty(std::span<const std::uint8_t> body);  // INIT, PING, PONG
std::optional<std::uint8_t> DecodeInitDone(std::span<const std::uint8_t> body);
std::optional<RegisterCall> DecodeRegister(std::span<const std::uint8_t> body);
std::optional<RegisterDone> DecodeRegisterDone(std::span<const std::uint8_t> body);
std::optional<std::uint16_t> DecodeTag(std::span<const std::uint8_t> body);  // FLUSH, FLUSHED
// Fills frame's source, destination, length and data; its waiting count is left alone.
std::optional<std::uint32_t> DecodeFrame(std::span<const std::uint8_t> body, ArcnetFrame& frame);
std::optional<ByeReason> DecodeBye(std::span<const std::uint8_t> body);
std::optional<Discover> DecodeDiscover(std::span<const std::uint8_t> body);
std::optional<Offer> DecodeOffer(std::span<const std::uint8_t> body);

// A discovery datagram is exactly one message. A buffer this large holds the
// largest, and shows a larger one for what it is.
inline constexpr std::size_t kDatagramBuffer = kLengthFieldSize + kMaxMessageLength + 1;
std::optional<Discover> DecodeDiscoverDatagram(std::span<const std::uint8_t> datagram);
std::optional<Offer> DecodeOfferDatagram(std::span<const std::uint8_t> datagram);

// Cuts a byte stream into messages. Bytes go into Space() and are counted
// with Commit(); Next() then yields the complete messages in order.
class MessageReader {
 public:
  enum class Result {
    kMessage,    // `message` holds the next one
    kNeedMore,   // no complete message yet
    kMalformed,  // a length of 0 or above kMaxMessageLength: the stream is lost
  };

  // At least one largest message's worth of room, after the bytes held.
  std::span<std::uint8_t> Space();
  void Commit(std::size_t received);
  Result Next(Message& message);

 private:
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0;  // the first byte not yet handed out
  std::size_t end_ = 0;    // one past the last byte received
};

// The version both ends speak, or nullopt: the highest in both ranges.
std::optional<std::uint16_t> CommonVersion(VersionRange ours, VersionRange theirs);

}  // namespace pondel::wire
