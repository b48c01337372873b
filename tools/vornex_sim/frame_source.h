// What puts frames on the device's network while a client has it on line:
// the simulated BACnet network that the library's local adapters see too, or
// the frames of a pcap file played back with their original spacing. Each
// frame reaches the device's receive queue through its controller's filter.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "pondel/controller.h"
#include "pondel/network.h"
#include "pondel/receive_queue.h"
#include "pondel/sim_config.h"
#include "tools/vornex_sim/replay_file.h"

namespace vornex {

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // A client has brought the device on line: frames go to the queue (which
  // is open) until Stop. Close the queue before Stop: a flood waits on it.
  virtual void Start(const pondel::SimController& controller, pondel::ReceiveQueue& queue) = 0;
  virtual void Stop() = 0;
  // The client flushed the queue with receive-all set, as a capture starts.
  virtual void CaptureStarted() {}
};

class SimulatedNetwork : public FrameSource {
 public:
  // With `seedFixed` false every client gets a network of its own seed.
  SimulatedNetwork(const pondel::SimConfig& config, bool seedFixed)
      : config_(config), seedFixed_(seedFixed) {}
  void Start(const pondel::SimController& controller, pondel::ReceiveQueue& queue) override;
  void Stop() override { network_.reset(); }

 private:
  pondel::SimConfig config_;
  bool seedFixed_;
  std::optional<pondel::SimNetwork> network_;
};

// Plays the file from its first frame at each capture start: the capture
// sees all of it, as it was recorded. Until then the network is silent.
class PcapReplay : public FrameSource {
 public:
  explicit PcapReplay(std::vector<ReplayFrame> frames) : frames_(std::move(frames)) {}
  ~PcapReplay() override { Stop(); }
  void Start(const pondel::SimController& controller, pondel::ReceiveQueue& queue) override;
  void Stop() override;
  void CaptureStarted() override;

 private:
  void Play();

  const std::vector<ReplayFrame> frames_;
  const pondel::SimController* controller_ = nullptr;
  pondel::ReceiveQueue* queue_ = nullptr;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

}  // namespace vornex
