// The simulated ARCNET network in time: a thread that puts the BACnet traffic
// on the wire at the configured rate, or in flood mode as fast as it is taken,
// and hands every frame the controller accepts to the receive queue.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "pondel/controller.h"
#include "pondel/receive_queue.h"
#include "pondel/sim_config.h"

namespace pondel {

class SimNetwork {
 public:
  SimNetwork(const SimController& controller, ReceiveQueue& queue)
      : controller_(controller), queue_(queue) {}
  ~SimNetwork() { Stop(); }
  SimNetwork(const SimNetwork&) = delete;
  SimNetwork& operator=(const SimNetwork&) = delete;

  // Starts the traffic; the queue must be open.
  void Start(const SimConfig& config);
  // Ends the traffic and waits for the thread. Close the queue first: a
  // flood waits on the queue, not on this.
  void Stop();

 private:
  void RunPaced(SimConfig config);
  void RunFlood(SimConfig config);
  // The controller's destination filter, applied as frames reach the queue.
  auto Acceptor() const {
    return [this](std::uint8_t destination) { return controller_.Accepts(destination); };
  }

  const SimController& controller_;
  ReceiveQueue& queue_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::atomic<bool> stopping_{false};
};

}  // namespace pondel
