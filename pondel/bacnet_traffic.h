// What the simulated ARCNET network carries: a few BACnet devices, each on
// its own node ID, talking as a building-automation network does. An
// operator workstation polls the controllers with ReadProperty and
// ReadPropertyMultiple and writes setpoints; one controller reads another;
// devices announce themselves with I-Am and answer Who-Is; now and then a
// frame is addressed to the adapter's own node. Every frame is ARCNET system
// code 0xCD, LLC 82 82 03, then a BACnet NPDU and APDU that decode cleanly.
#pragma once

#include <cstdint>
#include <deque>

#include "adapter/com20020.h"
#include "pondel/sim_random.h"

namespace pondel {

class BacnetTraffic {
 public:
  BacnetTraffic(std::uint64_t seed, bool shortestOnly);

  // The next frame on the wire; some of them go to adapterNode.
  void Next(std::uint8_t adapterNode, ArcnetFrame& frame);

 private:
  void NewConversation(std::uint8_t adapterNode, ArcnetFrame& frame);
  void Shortest(std::uint8_t adapterNode, ArcnetFrame& frame);

  SimRandom rng_;
  bool shortestOnly_;
  // Answers already due, sent in order as the responders get the token.
  std::deque<ArcnetFrame> replies_;
  std::uint8_t invokeIds_[2] = {0, 0};  // one sequence per client device
};

}  // namespace pondel
