#include "tools/vornex_sim/device.h"

#include <algorithm>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "pondel/pondel.h"

namespace vornex {

namespace {

namespace net = pondel::net;
namespace wire = pondel::wire;
using wire::Type;

// Output held for a client before more frames are taken from the queue: a
// client that reads slowly leaves the frames in the queue, which drops the
// newest when it is full, as the adapter's own buffer would.
constexpr std::size_t kHighWater = 64 * 1024;
// Answers a client has not read, beyond the frames: a client that keeps
// asking and never reads is dropped before its answers fill the memory.
constexpr std::size_t kMostUnread = 16 * kHighWater;
// How long a connection turned away may take to read its answer.
constexpr auto kRefusalWait = std::chrono::seconds(2);
// The longest the loop sleeps when nothing is due.
constexpr auto kIdleWait = std::chrono::seconds(1);

bool Is(const wire::Message& message, Type type) {
  return message.type == static_cast<std::uint8_t>(type);
}

// The controller refuses only what the request itself gets wrong: it is on
// line while the client is.
wire::RegisterStatus StatusOf(std::int32_t result) {
  if (result == 0) return wire::RegisterStatus::kDone;
  return result == kPondelSimBadRegister ? wire::RegisterStatus::kBadRegister
                                         : wire::RegisterStatus::kBadOperation;
}

int MillisecondsUntil(std::chrono::steady_clock::time_point when) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

}  // namespace

VornexDevice::VornexDevice(DeviceConfig config, std::unique_ptr<FrameSource> source, std::FILE* log)
    : config_(std::move(config)), source_(std::move(source)), log_(log) {}

VornexDevice::~VornexDevice() {
  if (client_) EndClient("the device stopped");
  if (event_ >= 0) ::close(event_);
}

std::string VornexDevice::Listen() {
  const char* address = config_.listen.empty() ? nullptr : config_.listen.c_str();
  const std::string where = (address != nullptr ? config_.listen : "every address") + " port " +
                            std::to_string(config_.port);
  net::Failure failure;
  listener_ = net::Listen(address, config_.port, endpoint_, failure);
  if (!listener_.valid())
    return "cannot listen on " + where + ": " +
           (failure == net::Failure::kUnresolved ? "not an address" : net::LastError());
  net::SetNonBlocking(listener_);
  // An answer to a discovery sends the client to the address it came from,
  // which only a device listening on every address is sure to accept.
  if (config_.discoveryPort != 0 && address == nullptr) {
    discovery_ = net::BindDiscovery(config_.discoveryPort, failure);
    if (!discovery_.valid())
      return "cannot answer automatic detection on UDP port " +
             std::to_string(config_.discoveryPort) + ": " + net::LastError();
    net::SetNonBlocking(discovery_);
  }
  event_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (event_ < 0) return "cannot create an event: " + net::LastError();
  return "";
}

void VornexDevice::Run(int stop) {
  while (true) {
    if (client_) PumpFrames();
    if (Vanishing()) {
      // No goodbye: the client sees the link end, as at a power cut; the
      // device is back for the next client.
      EndClient("sent " + std::to_string(config_.vanishAfter) +
                " frames; the device vanishes, without a goodbye");
      continue;
    }

    // What to wait for: the stop, new clients and discoveries, the client's
    // messages and room to send, frames waiting, refusals being read.
    std::vector<pollfd> waits{{stop, POLLIN, 0}, {listener_.native(), POLLIN, 0}};
    const std::size_t discoveryAt = waits.size();
    if (discovery_.valid()) waits.push_back({discovery_.native(), POLLIN, 0});
    const std::size_t clientAt = waits.size();
    const std::size_t eventAt = clientAt + 1;
    auto wake = Clock::now() + kIdleWait;
    if (client_) {
      const bool pending = client_->sent < client_->out.size();
      waits.push_back(
          {client_->socket.native(), static_cast<short>(POLLIN | (pending ? POLLOUT : 0)), 0});
      // Frames are taken only while the output has room.
      const bool room =
          client_->stage == Stage::kOnLine && client_->out.size() - client_->sent < kHighWater;
      waits.push_back({room ? event_ : -1, POLLIN, 0});
      wake = std::min(wake, client_->lastHeard + wire::kSilenceLimit);
    }
    const std::size_t refusalsAt = waits.size();
    for (const Refusal& refusal : refusals_) {
      waits.push_back({refusal.socket.native(), POLLIN, 0});
      wake = std::min(wake, refusal.until);
    }
    if (::poll(waits.data(), waits.size(), MillisecondsUntil(wake)) < 0) continue;  // a signal

    if (waits[0].revents != 0) {
      SayGoodbye();
      return;
    }
    // Refusals first: the loop below may add to them.
    for (std::size_t i = refusals_.size(); i-- > 0;) {
      bool done = Clock::now() >= refusals_[i].until;
      if (waits[refusalsAt + i].revents != 0) {
        std::uint8_t discard[512];
        done = done || net::Receive(refusals_[i].socket, discard) <= 0;
      }
      if (done) refusals_.erase(refusals_.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (client_) {
      if (waits[eventAt].revents != 0) {
        std::uint64_t count;
        if (::read(event_, &count, sizeof count) < 0) {
          // Nothing to reset: another wake-up raced this one.
        }
      }
      if (waits[clientAt].revents & (POLLIN | POLLHUP | POLLERR)) ReadClient();
      // What arrived while this process was held up (stopped, not
      // scheduled) is read before the client is judged silent.
      if (client_ && Clock::now() >= client_->lastHeard + wire::kSilenceLimit) ReadClient();
      if (client_ && Clock::now() >= client_->lastHeard + wire::kSilenceLimit)
        EndClient("went silent for " + std::to_string(wire::kSilenceLimit.count()) +
                  " s; link closed");
    }
    if (discovery_.valid() && waits[discoveryAt].revents != 0) AnswerDiscovery();
    if (waits[1].revents != 0) AcceptClient();
  }
}

void VornexDevice::AcceptClient() {
  net::Endpoint peer;
  net::Socket socket = net::Accept(listener_, peer);
  if (!socket.valid()) return;
  net::SetNonBlocking(socket);
  if (client_) {
    Log("client " + peer.ToString() + " turned away: busy with " + client_->name);
    Refuse(std::move(socket), wire::RefuseReason::kBusy);
    return;
  }
  client_.emplace();
  client_->socket = std::move(socket);
  client_->name = peer.ToString();
  Log("client " + client_->name + " connected");
}

void VornexDevice::AnswerDiscovery() {
  std::uint8_t datagram[wire::kDatagramBuffer];
  net::Endpoint from;
  const auto size = net::ReceiveFrom(discovery_, datagram, from);
  if (size <= 0) return;
  const auto discover =
      wire::DecodeDiscoverDatagram(std::span(datagram, static_cast<std::size_t>(size)));
  if (!discover) return;
  wire::Offer offer;
  offer.nonce = discover->nonce;
  offer.version = wire::kHighestVersion;
  offer.port = endpoint_.port();
  offer.nodeId = config_.nodeId;
  offer.state = client_ ? wire::DeviceState::kBusy : wire::DeviceState::kFree;
  offer.name = config_.name;
  std::vector<std::uint8_t> answer;
  wire::AppendOffer(answer, offer);
  net::SendTo(discovery_, from, answer);
}

void VornexDevice::Refuse(net::Socket socket, wire::RefuseReason reason) {
  std::vector<std::uint8_t> answer;
  wire::AppendRefuse(answer, {reason, {}});
  // A few bytes on a fresh connection: the socket has room for them. The
  // socket stays open until the peer has closed, so that closing it never
  // resets the connection before the peer has read the answer.
  net::SendSome(socket, answer);
  net::ShutdownSending(socket);
  refusals_.push_back({std::move(socket), Clock::now() + kRefusalWait});
}

void VornexDevice::ReadClient() {
  const auto received = net::Receive(client_->socket, client_->reader.Space());
  if (received == net::kWouldBlock) return;
  if (received == net::kClosed) return EndClient("closed the link without a goodbye");
  if (received < 0) return EndClient("link failed: " + net::LastError());
  client_->reader.Commit(static_cast<std::size_t>(received));
  wire::Message message;
  while (client_) {
    const auto next = client_->reader.Next(message);
    if (next == wire::MessageReader::Result::kNeedMore) break;
    if (next == wire::MessageReader::Result::kMalformed)
      return EndClient("sent a malformed message; link closed");
    // Only a whole message shows the client alive: bytes trickling in that
    // never make one do not.
    client_->lastHeard = Clock::now();
    Handle(message);
  }
  if (client_ && client_->out.size() - client_->sent > kMostUnread)
    EndClient("does not read what it is sent; link closed");
}

void VornexDevice::Handle(const wire::Message& message) {
  Client& client = *client_;
  if (client.stage == Stage::kHello) {
    const auto versions = Is(message, Type::kHello) ? wire::DecodeHello(message.body)
                                                    : std::optional<wire::VersionRange>();
    if (!versions) return EndClient("does not speak the device protocol; link closed");
    const auto version = wire::CommonVersion({}, *versions);
    if (!version) {
      Log("client " + client.name + " turned away: no protocol version in common");
      Refuse(std::move(client.socket), wire::RefuseReason::kNoCommonVersion);
      client_.reset();
      return;
    }
    wire::AppendWelcome(client.out, {*version, 0, config_.name});
    client.stage = Stage::kInit;
    return;
  }

  const bool onLine = client.stage == Stage::kOnLine;
  if (Is(message, Type::kInit) && wire::DecodeEmpty(message.body)) {
    BringOnLine();
  } else if (Is(message, Type::kPing) && wire::DecodeEmpty(message.body)) {
    wire::AppendPong(client.out);
  } else if (Is(message, Type::kBye) && wire::DecodeBye(message.body)) {
    EndClient("went off line");
  } else if (const auto call = onLine && Is(message, Type::kRegister)
                                   ? wire::DecodeRegister(message.body)
                                   : std::nullopt) {
    RegisterRequest request = call->request;
    const std::int32_t result = controller_.Access(request);
    wire::AppendRegisterDone(client.out, {call->tag, StatusOf(result), request.value});
  } else if (const auto tag = onLine && Is(message, Type::kFlush) ? wire::DecodeTag(message.body)
                                                                  : std::nullopt) {
    // Frames already in the output go before the answer, and the client
    // discards them: they were taken before the flush.
    queue_.Flush();
    if (controller_.ReceivesAll()) source_->CaptureStarted();
    wire::AppendFlushed(client.out, *tag);
    client.framesSinceFlush = 0;
  } else {
    EndClient("sent a message out of place or malformed; link closed");
  }
}

void VornexDevice::BringOnLine() {
  Client& client = *client_;
  queue_.Close();  // a second INIT starts afresh
  source_->Stop();
  controller_.Reset(config_.nodeId, 0, 0x18, false);
  queue_.Open(config_.queueCapacity);
  queue_.SetEvent(event_);
  client.nextSequence = 0;
  client.droppedCounted = 0;
  wire::AppendInitDone(client.out, config_.nodeId);
  client.stage = Stage::kOnLine;
  source_->Start(controller_, queue_);
  Log("client " + client.name + " on line as node " + std::to_string(config_.nodeId));
}

void VornexDevice::PumpFrames() {
  // The queue's event says only that frames came: while the socket takes
  // everything, the frames left behind at the high-water mark are taken now.
  bool queueLeftFull;
  do {
    queueLeftFull = client_->stage == Stage::kOnLine && FillOut();
    SendOut();
  } while (queueLeftFull && client_ && client_->sent == client_->out.size());
}

bool VornexDevice::FillOut() {
  Client& client = *client_;
  // Frames the queue dropped since the last look take their numbers with
  // them, so the client sees a gap of exactly that many.
  const std::uint64_t dropped = queue_.Dropped();
  client.nextSequence += static_cast<std::uint32_t>(dropped - client.droppedCounted);
  client.droppedCounted = dropped;
  ArcnetFrame frame;
  while (client.out.size() - client.sent < kHighWater) {
    if (config_.vanishAfter != 0 && client.framesSinceFlush == config_.vanishAfter) return false;
    if (queue_.Take(frame) != 0) return false;
    wire::AppendFrame(client.out, client.nextSequence++, frame);
    if (client.framesSinceFlush) ++*client.framesSinceFlush;
  }
  return true;
}

bool VornexDevice::Vanishing() const {
  return client_ && config_.vanishAfter != 0 && client_->framesSinceFlush == config_.vanishAfter &&
         client_->sent == client_->out.size();
}

void VornexDevice::SendOut() {
  Client& client = *client_;
  while (client.sent < client.out.size()) {
    const auto sent = net::SendSome(client.socket, std::span(client.out).subspan(client.sent));
    if (sent == net::kFailed) return EndClient("link failed: " + net::LastError());
    if (sent == 0) break;
    client.sent += static_cast<std::size_t>(sent);
  }
  // What is on the wire goes, once it is half the output.
  if (client.sent > 0 && client.sent * 2 >= client.out.size()) {
    client.out.erase(client.out.begin(),
                     client.out.begin() + static_cast<std::ptrdiff_t>(client.sent));
    client.sent = 0;
  }
}

void VornexDevice::EndClient(const std::string& why) {
  Log("client " + client_->name + " " + why);
  queue_.Close();  // first: a flood waiting for room stops waiting
  source_->Stop();
  controller_.PowerOff();
  client_.reset();
}

void VornexDevice::SayGoodbye() {
  if (!client_) return;
  wire::AppendBye(client_->out, wire::ByeReason::kDeviceShutdown);
  // What is already on its way goes first; the client has half a second.
  const auto until = Clock::now() + wire::kCloseWait;
  while (client_ && client_->sent < client_->out.size() && Clock::now() < until) {
    SendOut();
    pollfd p{client_ ? client_->socket.native() : -1, POLLOUT, 0};
    ::poll(&p, 1, MillisecondsUntil(until));
  }
  if (client_) EndClient("told goodbye: the device is shutting down");
}

void VornexDevice::Log(const std::string& line) {
  if (log_ == nullptr) return;
  std::fprintf(log_, "vornex-sim: %s\n", line.c_str());
  std::fflush(log_);
}

}  // namespace vornex
