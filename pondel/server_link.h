// The library's side of the link to a network server device (adapter kind
// 2): finding the device, connecting, the handshake, and then a reader
// thread that puts the device's frames into the receive queue, hands each
// answer to the call awaiting it, keeps the link alive and notices when it
// dies. docs/vornex-protocol.md describes the exchange.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "adapter/com20020.h"
#include "pondel/net.h"
#include "pondel/protocol.h"
#include "pondel/receive_queue.h"

namespace pondel {

class ServerLink {
 public:
  explicit ServerLink(ReceiveQueue& queue) : queue_(queue) {}
  ~ServerLink() { Close(); }
  ServerLink(const ServerLink&) = delete;
  ServerLink& operator=(const ServerLink&) = delete;

  // On line with the device at `address` and `port`, or, when `address` is
  // null, with the first free device that answers a discovery on UDP
  // `discoveryPort`. 0 and the node ID the device holds, or the kPondelSim
  // code of what failed. The queue must be open: frames start at once.
  std::int32_t Open(const char* address, std::uint16_t port, std::uint16_t discoveryPort,
                    std::uint8_t& nodeId);
  // Says goodbye and waits, at most kCloseWait, for the device to close its
  // end. Harmless when no link is open.
  void Close();

  // Com20020Register and Com20020FlushRX over the link: each waits for the
  // device's answer, at most kSilenceLimit.
  std::int32_t Register(RegisterRequest& request);
  std::int32_t Flush();

  // 0 while the link holds or none is open; once it has ended without a
  // Close, why: kPondelSimLinkBroken or kPondelSimLinkClosed.
  std::int32_t Failure() const;
  // Frames the device numbered that never arrived, since Open.
  std::uint64_t FramesLost() const;

 private:
  using Clock = std::chrono::steady_clock;

  std::int32_t Handshake(std::uint8_t& nodeId);
  // The next message within `timeout`; its failure code otherwise.
  std::int32_t Await(wire::Message& message, std::chrono::milliseconds timeout);
  bool Send(const std::vector<std::uint8_t>& bytes);
  // Sends a request and waits until `answered` holds (under mutex_), the
  // link ends, or the answer is overdue.
  template <typename Answered>
  std::int32_t Request(const std::vector<std::uint8_t>& bytes, Answered answered);
  // A request found the link dead: it ends for `code`.
  void Fail(std::int32_t code);

  // The reader thread.
  void ReadLoop();
  // Handles every complete message received: 0, or the code the link ends with.
  std::int32_t HandleMessages();
  bool HandleFrame(const wire::Message& message);
  void PushBatch();
  // The link has ended for `code`, unless it is being closed.
  void End(std::int32_t code);

  ReceiveQueue& queue_;
  net::Socket socket_;
  wire::MessageReader reader_;      // the handshake's, then the reader thread's
  std::vector<ArcnetFrame> batch_;  // frames on their way to the queue
  std::thread thread_;

  std::mutex requestMutex_;  // one request awaiting its answer at a time
  std::mutex sendMutex_;     // one message at a time on the wire
  // The reader thread's: when the PING that awaits its PONG was sent.
  std::optional<Clock::time_point> pingSent_;

  mutable std::mutex mutex_;  // everything below
  std::condition_variable changed_;
  bool open_ = false;
  bool closing_ = false;
  bool readerEnded_ = false;
  std::int32_t failure_ = 0;
  std::uint16_t nextTag_ = 0;
  std::optional<std::uint16_t> registerTag_;  // awaiting this REGISTER_DONE
  std::optional<wire::RegisterDone> registerDone_;
  std::optional<std::uint16_t> flushTag_;  // frames are discarded until this FLUSHED
  std::uint32_t nextSequence_ = 0;
  std::uint64_t lost_ = 0;
};

}  // namespace pondel
