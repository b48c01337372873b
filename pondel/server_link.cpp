#include "pondel/server_link.h"

#include <algorithm>
#include <random>
#include <string>

#include "pondel/pondel.h"

namespace pondel {

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;
using wire::Type;

// Frames go to the queue in chunks of this many while a read is handled.
constexpr std::size_t kChunk = 256;

milliseconds Left(Clock::time_point deadline) {
  return std::max(milliseconds(0), std::chrono::ceil<milliseconds>(deadline - Clock::now()));
}

bool Is(const wire::Message& message, Type type) {
  return message.type == static_cast<std::uint8_t>(type);
}

std::int32_t CodeOf(net::Failure failure) {
  switch (failure) {
    case net::Failure::kUnresolved:
      return kPondelSimUnresolvedAddress;
    case net::Failure::kRefused:
      return kPondelSimConnectionRefused;
    case net::Failure::kTimedOut:
      return kPondelSimTimedOut;
    case net::Failure::kUnreachable:
      return kPondelSimUnreachable;
    default:
      return kPondelSimSocketFailed;
  }
}

// Asks every device on the local networks where it is, and takes the first
// free one that answers: 0 and its TCP endpoint, or why there is none.
std::int32_t Discover(std::uint16_t discoveryPort, net::Endpoint& device) {
  net::Failure failure;
  const net::Socket socket = net::OpenBroadcastSocket(failure);
  if (!socket.valid()) return kPondelSimSocketFailed;
  const wire::Discover discover{{}, static_cast<std::uint32_t>(std::random_device()())};
  std::vector<std::uint8_t> datagram;
  wire::AppendDiscover(datagram, discover);
  const std::vector<net::Endpoint> targets = net::DiscoveryTargets(discoveryPort);

  // What to say when no free device answers: a busy one, one that speaks
  // only older versions, or none at all.
  std::int32_t result = kPondelSimNoDeviceAnswered;
  std::uint8_t buffer[wire::kDatagramBuffer];
  const auto deadline = Clock::now() + wire::kDiscoveryWait;
  auto resend = Clock::now();
  for (auto now = Clock::now(); now < deadline; now = Clock::now()) {
    // Datagrams get lost: the question goes out a few times.
    if (now >= resend) {
      for (const net::Endpoint& target : targets) net::SendTo(socket, target, datagram);
      resend = now + wire::kDiscoveryResend;
    }
    if (net::WaitReadable(socket, Left(std::min(resend, deadline))) != net::Wait::kReady) continue;
    net::Endpoint from;
    const auto size = net::ReceiveFrom(socket, buffer, from);
    if (size <= 0) continue;
    const auto offer = wire::DecodeOfferDatagram(std::span(buffer, static_cast<std::size_t>(size)));
    if (!offer || offer->nonce != discover.nonce) continue;  // not an answer to this question
    if (offer->state == wire::DeviceState::kBusy) {
      result = kPondelSimDeviceBusy;
    } else if (offer->version < wire::kLowestVersion) {
      if (result != kPondelSimDeviceBusy) result = kPondelSimProtocolMismatch;
    } else {
      device = from;  // the device answers from the address it accepts the link on
      device.set_port(offer->port);
      return 0;
    }
  }
  return result;
}

}  // namespace

std::int32_t ServerLink::Open(const char* address, std::uint16_t port, std::uint16_t discoveryPort,
                              std::uint8_t& nodeId) {
  Close();
  if (!net::Startup()) return kPondelSimSocketFailed;
  std::vector<net::Endpoint> candidates;
  if (address == nullptr) {
    net::Endpoint found;
    if (const std::int32_t code = Discover(discoveryPort, found); code != 0) return code;
    candidates.push_back(found);
  } else {
    // An IPv6 address may come in the brackets of URLs: "[fe80::1%eth0]".
    std::string host = address;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
      host = host.substr(1, host.size() - 2);
    net::Failure failure;
    candidates = net::Resolve(host.c_str(), port, failure);
    if (candidates.empty()) return CodeOf(failure);
  }

  // Every address a name stands for, in turn ("localhost" may be ::1 first,
  // for a device listening on IPv4 only). An answer from a device says more
  // than a failed connect elsewhere, so it is what is reported.
  std::int32_t connectFailure = kPondelSimSocketFailed;
  std::int32_t deviceAnswer = 0;
  for (const net::Endpoint& candidate : candidates) {
    net::Failure failure;
    socket_ = net::Connect(candidate, wire::kConnectTimeout, failure);
    if (!socket_.valid()) {
      connectFailure = CodeOf(failure);
      continue;
    }
    reader_ = wire::MessageReader();
    deviceAnswer = Handshake(nodeId);
    if (deviceAnswer == 0) break;
    socket_.Close();
  }
  if (!socket_.valid()) return deviceAnswer != 0 ? deviceAnswer : connectFailure;

  {
    std::lock_guard lock(mutex_);
    open_ = true;
    closing_ = readerEnded_ = false;
    failure_ = 0;
    registerTag_.reset();
    registerDone_.reset();
    flushTag_.reset();
    nextSequence_ = 0;
    lost_ = 0;
  }
  pingSent_.reset();
  thread_ = std::thread(&ServerLink::ReadLoop, this);
  return 0;
}

std::int32_t ServerLink::Handshake(std::uint8_t& nodeId) {
  // A peer that closes, says nothing we know or speaks no common version
  // is not a device of ours.
  std::vector<std::uint8_t> out;
  wire::AppendHello(out);
  if (!net::SendAll(socket_, out)) return kPondelSimProtocolMismatch;
  wire::Message message;
  if (const std::int32_t code = Await(message, wire::kAnswerTimeout); code != 0) return code;
  if (Is(message, Type::kRefuse)) {
    const auto refuse = wire::DecodeRefuse(message.body);
    return refuse && refuse->reason == wire::RefuseReason::kBusy ? kPondelSimDeviceBusy
                                                                 : kPondelSimProtocolMismatch;
  }
  const auto welcome = Is(message, Type::kWelcome) ? wire::DecodeWelcome(message.body)
                                                   : std::optional<wire::Welcome>();
  if (!welcome || welcome->version < wire::kLowestVersion ||
      welcome->version > wire::kHighestVersion)
    return kPondelSimProtocolMismatch;

  out.clear();
  wire::AppendInit(out);
  if (!net::SendAll(socket_, out)) return kPondelSimProtocolMismatch;
  if (const std::int32_t code = Await(message, wire::kAnswerTimeout); code != 0) return code;
  const auto node = Is(message, Type::kInitDone) ? wire::DecodeInitDone(message.body)
                                                 : std::optional<std::uint8_t>();
  if (!node) return kPondelSimProtocolMismatch;
  nodeId = *node;
  return 0;
}

std::int32_t ServerLink::Await(wire::Message& message, milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (true) {
    const auto next = reader_.Next(message);
    if (next == wire::MessageReader::Result::kMessage) return 0;
    if (next == wire::MessageReader::Result::kMalformed) return kPondelSimProtocolMismatch;
    const auto received = net::ReceiveWithin(socket_, reader_.Space(), Left(deadline));
    if (received == net::kTimedOut) {
      if (Clock::now() >= deadline) return kPondelSimTimedOut;
      continue;
    }
    if (received <= 0) return kPondelSimProtocolMismatch;  // closed without an answer
    reader_.Commit(static_cast<std::size_t>(received));
  }
}

void ServerLink::Close() {
  std::unique_lock lock(mutex_);
  if (!open_) return;
  closing_ = true;
  lock.unlock();
  changed_.notify_all();               // a request still waiting gives up...
  std::lock_guard one(requestMutex_);  // ...and none uses the socket from here on

  // Orderly: say goodbye, stop sending, and let the device close its end,
  // which the reader thread sees as the end of the stream.
  std::vector<std::uint8_t> bye;
  wire::AppendBye(bye, wire::ByeReason::kClientOffline);
  Send(bye);
  net::ShutdownSending(socket_);
  lock.lock();
  const bool closedByDevice =
      changed_.wait_for(lock, wire::kCloseWait, [this] { return readerEnded_; });
  lock.unlock();
  if (!closedByDevice) net::ShutdownBoth(socket_);
  thread_.join();
  socket_.Close();
  lock.lock();
  open_ = closing_ = false;
}

std::int32_t ServerLink::Register(RegisterRequest& request) {
  std::lock_guard one(requestMutex_);
  std::vector<std::uint8_t> out;
  {
    std::lock_guard lock(mutex_);
    if (!open_ || closing_) return kPondelSimOffline;
    if (failure_ != 0) return failure_;
    registerTag_ = ++nextTag_;
    registerDone_.reset();
    wire::AppendRegister(out, {*registerTag_, request});
  }
  if (const std::int32_t code = Request(out, [this] { return registerDone_.has_value(); });
      code != 0)
    return code;

  std::lock_guard lock(mutex_);
  const wire::RegisterDone done = *registerDone_;
  registerTag_.reset();
  registerDone_.reset();
  switch (done.status) {
    case wire::RegisterStatus::kDone:
      if (request.operation == kRegisterRead) request.value = done.value;
      return 0;
    case wire::RegisterStatus::kBadOperation:
      return kPondelSimBadOperation;
    case wire::RegisterStatus::kBadRegister:
      return kPondelSimBadRegister;
  }
  return kPondelSimLinkBroken;  // unreachable: the decoder takes only the three
}

std::int32_t ServerLink::Flush() {
  std::lock_guard one(requestMutex_);
  std::vector<std::uint8_t> out;
  {
    std::lock_guard lock(mutex_);
    if (!open_ || closing_) return kPondelSimOffline;
    // Under the lock: the reader thread queues frames only under it, so no
    // frame from before the flush can slip in after it.
    queue_.Flush();
    if (failure_ != 0) return failure_;
    flushTag_ = ++nextTag_;
    wire::AppendFlush(out, *flushTag_);
  }
  return Request(out, [this] { return !flushTag_.has_value(); });
}

template <typename Answered>
std::int32_t ServerLink::Request(const std::vector<std::uint8_t>& bytes, Answered answered) {
  if (!Send(bytes)) {
    Fail(kPondelSimLinkBroken);
    return kPondelSimLinkBroken;
  }
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, wire::kSilenceLimit,
                    [&] { return answered() || failure_ != 0 || closing_; });
  if (answered()) return 0;
  if (failure_ != 0) return failure_;
  if (closing_) return kPondelSimOffline;
  // A device that answers nothing is as good as gone.
  lock.unlock();
  Fail(kPondelSimLinkBroken);
  return kPondelSimLinkBroken;
}

bool ServerLink::Send(const std::vector<std::uint8_t>& bytes) {
  std::lock_guard lock(sendMutex_);
  return net::SendAll(socket_, bytes);
}

void ServerLink::ReadLoop() {
  // The device is alive while it answers a PING within the silence limit: a
  // device that stalls for less than that is waited for, and bytes that
  // never make a whole message keep nothing alive.
  auto nextPing = Clock::now();
  std::int32_t ended = 0;
  while (ended == 0) {
    // The handshake may have read ahead: what is held is handled first.
    ended = HandleMessages();
    if (ended != 0) break;
    const auto now = Clock::now();
    if (!pingSent_ && now >= nextPing) {
      std::vector<std::uint8_t> ping;
      wire::AppendPing(ping);
      if (!Send(ping)) {
        ended = kPondelSimLinkBroken;
        break;
      }
      pingSent_ = now;
      nextPing = now + wire::kPingInterval;
    }
    const auto answerDue = pingSent_ ? *pingSent_ + wire::kSilenceLimit : nextPing;
    // Overdue, the answer can only be among the bytes that have arrived
    // already (this thread may have been kept from running): those are
    // read, and no more are waited for.
    const bool overdue = pingSent_ && now >= answerDue;
    const auto received =
        net::ReceiveWithin(socket_, reader_.Space(), overdue ? milliseconds(0) : Left(answerDue));
    if (received > 0) {
      reader_.Commit(static_cast<std::size_t>(received));
    } else if (received != net::kTimedOut) {
      ended = kPondelSimLinkBroken;  // closed or reset without a goodbye
    } else if (overdue) {
      ended = kPondelSimLinkBroken;  // silent, or never a whole message
    }
  }
  End(ended);
}

std::int32_t ServerLink::HandleMessages() {
  std::unique_lock lock(mutex_);
  std::int32_t ended = 0;
  wire::Message message;
  while (ended == 0) {
    const auto next = reader_.Next(message);
    if (next == wire::MessageReader::Result::kNeedMore) break;
    if (next == wire::MessageReader::Result::kMalformed) {
      ended = kPondelSimLinkBroken;
    } else if (Is(message, Type::kFrame)) {
      if (!HandleFrame(message)) ended = kPondelSimLinkBroken;
    } else if (Is(message, Type::kRegisterDone)) {
      const auto done = wire::DecodeRegisterDone(message.body);
      if (!done || !registerTag_ || done->tag != *registerTag_ || registerDone_)
        ended = kPondelSimLinkBroken;
      else
        registerDone_ = *done;
    } else if (Is(message, Type::kFlushed)) {
      const auto tag = wire::DecodeTag(message.body);
      if (!tag || !flushTag_ || *tag != *flushTag_)
        ended = kPondelSimLinkBroken;
      else
        flushTag_.reset();
    } else if (Is(message, Type::kPong)) {
      if (!wire::DecodeEmpty(message.body))
        ended = kPondelSimLinkBroken;
      else
        pingSent_.reset();
    } else if (Is(message, Type::kBye)) {
      ended = wire::DecodeBye(message.body) ? kPondelSimLinkClosed : kPondelSimLinkBroken;
    } else {
      ended = kPondelSimLinkBroken;  // nothing else comes from a device once it is on line
    }
  }
  PushBatch();
  lock.unlock();
  changed_.notify_all();
  return ended;
}

bool ServerLink::HandleFrame(const wire::Message& message) {
  const auto sequence = wire::DecodeFrame(message.body, batch_.emplace_back());
  // Unsigned: a number that goes back is a jump of nearly 2^32.
  const std::uint32_t missed = sequence ? *sequence - nextSequence_ : 0;
  if (!sequence || missed > wire::kMaxSequenceJump) {
    batch_.pop_back();
    return false;
  }
  lost_ += missed;
  nextSequence_ = *sequence + 1;
  if (flushTag_) {
    batch_.pop_back();  // sent before the device flushed
  } else if (batch_.size() == kChunk) {
    PushBatch();
  }
  return true;
}

void ServerLink::PushBatch() {
  if (batch_.empty()) return;
  // The device has filtered by its controller's settings already.
  queue_.Push(batch_, [](std::uint8_t) { return true; });
  batch_.clear();
}

void ServerLink::End(std::int32_t code) {
  bool closing;
  {
    std::lock_guard lock(mutex_);
    closing = closing_;
    if (!closing && failure_ == 0) failure_ = code;
    readerEnded_ = true;
  }
  changed_.notify_all();
  if (closing) return;
  // The device sees the link end too, and is free for another client.
  net::ShutdownBoth(socket_);
  // A capture waiting for frames asks again, and learns why none come.
  queue_.Wake();
}

void ServerLink::Fail(std::int32_t code) {
  {
    std::lock_guard lock(mutex_);
    if (!closing_ && failure_ == 0) failure_ = code;
  }
  net::ShutdownBoth(socket_);  // the reader thread sees it and ends
  changed_.notify_all();
}

std::int32_t ServerLink::Failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

std::uint64_t ServerLink::FramesLost() const {
  std::lock_guard lock(mutex_);
  return lost_;
}

}  // namespace pondel
