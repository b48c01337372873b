// The VORNEX device simulator itself: it accepts one client at a time over
// TCP, answers automatic detection over UDP, runs the device's end of the
// link (docs/vornex-protocol.md), and sends the client every frame its
// controller takes off the simulated wire, numbered so that the client can
// count the frames the device had to drop. One thread serves every socket;
// the frame source runs on its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pondel/controller.h"
#include "pondel/net.h"
#include "pondel/protocol.h"
#include "pondel/receive_queue.h"
#include "tools/vornex_sim/frame_source.h"

namespace vornex {

struct DeviceConfig {
  std::string listen;  // empty: every address
  std::uint16_t port = pondel::wire::kDefaultPort;
  std::uint16_t discoveryPort = pondel::wire::kDefaultPort;  // 0: not answered
  std::uint8_t nodeId = 254;
  std::size_t queueCapacity = pondel::kDefaultQueueCapacity;
  std::string name = "vornex-sim";
  // Frames of a capture after which the device drops its client as if
  // switched off, and is back for the next; 0: never.
  std::uint64_t vanishAfter = 0;
};

class VornexDevice {
 public:
  // `log` gets one line per client event; null for none.
  VornexDevice(DeviceConfig config, std::unique_ptr<FrameSource> source, std::FILE* log);
  ~VornexDevice();
  VornexDevice(const VornexDevice&) = delete;
  VornexDevice& operator=(const VornexDevice&) = delete;

  // Opens the device's sockets: empty, or what went wrong.
  std::string Listen();
  // Where it accepts clients (the port chosen when 0 was asked for).
  const pondel::net::Endpoint& endpoint() const { return endpoint_; }
  bool AnswersDiscovery() const { return discovery_.valid(); }

  // Serves clients until the descriptor `stop` is readable; a client on line
  // then is told goodbye.
  void Run(int stop);

 private:
  using Clock = std::chrono::steady_clock;
  enum class Stage { kHello, kInit, kOnLine };

  struct Client {
    // Spelt out: clang judges std::optional<Client>'s emplace() while this
    // class is still incomplete, and would not see the member initialisers.
    Client() {}

    pondel::net::Socket socket;
    std::string name;  // its address, for the log
    pondel::wire::MessageReader reader;
    std::vector<std::uint8_t> out;  // messages not yet on the wire, from `sent`
    std::size_t sent = 0;
    Stage stage = Stage::kHello;
    Clock::time_point lastHeard = Clock::now();
    std::uint32_t nextSequence = 0;
    std::uint64_t droppedCounted = 0;
    // Frames sent since the capture started (its flush), once one has.
    std::optional<std::uint64_t> framesSinceFlush;
  };
  // A connection being turned away: its answer is sent, and it is closed
  // when the peer has read it and closed, or after a while.
  struct Refusal {
    pondel::net::Socket socket;
    Clock::time_point until;
  };

  void AcceptClient();
  void AnswerDiscovery();
  void Refuse(pondel::net::Socket socket, pondel::wire::RefuseReason reason);
  void ReadClient();
  void Handle(const pondel::wire::Message& message);
  void BringOnLine();
  // Frames from the queue to the client's socket, while both have room.
  void PumpFrames();
  // Frames from the queue into the client's output while it has room: true
  // when it stopped for want of room, not of frames.
  bool FillOut();
  // All frames it is to send before it vanishes are on the wire.
  bool Vanishing() const;
  void SendOut();
  void EndClient(const std::string& why);
  void SayGoodbye();
  void Log(const std::string& line);

  DeviceConfig config_;
  std::unique_ptr<FrameSource> source_;
  std::FILE* log_;
  pondel::SimController controller_;
  pondel::ReceiveQueue queue_;
  int event_ = -1;  // the queue signals it when frames wait
  pondel::net::Socket listener_;
  pondel::net::Socket discovery_;
  pondel::net::Endpoint endpoint_;
  std::optional<Client> client_;
  std::vector<Refusal> refusals_;
};

}  // namespace vornex
