#include "pondel/network.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "pondel/bacnet_traffic.h"
#include "pondel/sim_random.h"

namespace pondel {

namespace {

using Seconds = std::chrono::duration<double>;

// A USB adapter hands over what it has received once a millisecond.
constexpr double kTick = 0.001;
// A simulator that falls further behind than this (a busy machine, a rate
// beyond what it can make) skips ahead instead of bursting to catch up.
constexpr double kMostBehind = 0.05;
// Frames handed to the queue in one go while a tick's share is made.
constexpr std::size_t kChunk = 256;
// The arrival times come from a stream of their own, so the frames a seed
// gives do not depend on the rate.
constexpr std::uint64_t kArrivalStream = 0x6A09E667F3BCC909ull;

}  // namespace

void SimNetwork::Start(const SimConfig& config) {
  stopping_ = false;
  thread_ = config.flood ? std::thread(&SimNetwork::RunFlood, this, config)
                         : std::thread(&SimNetwork::RunPaced, this, config);
}

void SimNetwork::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void SimNetwork::RunPaced(SimConfig config) {
  std::unique_lock lock(mutex_);
  if (config.rate == 0) {
    wake_.wait(lock, [this] { return stopping_.load(); });
    return;
  }
  BacnetTraffic traffic(config.seed, config.shortestOnly);
  SimRandom arrivals(config.seed ^ kArrivalStream);
  const double meanGap = 1.0 / config.rate;
  const auto start = std::chrono::steady_clock::now();
  double next = arrivals.Exponential(meanGap);  // seconds from start
  std::vector<ArcnetFrame> batch;
  batch.reserve(kChunk);
  const auto accepts = Acceptor();

  while (!stopping_) {
    lock.unlock();
    const double now = Seconds(std::chrono::steady_clock::now() - start).count();
    next = std::max(next, now - kMostBehind);
    while (next <= now && !stopping_) {
      traffic.Next(controller_.NodeId(), batch.emplace_back());
      next += arrivals.Exponential(meanGap);
      if (batch.size() == kChunk) {
        queue_.Push(batch, accepts);
        batch.clear();
      }
    }
    if (!batch.empty()) queue_.Push(batch, accepts);
    batch.clear();
    const auto wake = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                  Seconds(std::max(next, now + kTick)));
    lock.lock();
    wake_.wait_until(lock, wake, [this] { return stopping_.load(); });
  }
}

void SimNetwork::RunFlood(SimConfig config) {
  BacnetTraffic traffic(config.seed, config.shortestOnly);
  const auto accepts = Acceptor();
  // The next batch is made while the consumer drains the last one. It is as
  // large as the queue: in receive-all mode it fills it.
  std::vector<ArcnetFrame> batch(config.queueCapacity);
  while (!stopping_) {
    for (ArcnetFrame& frame : batch) traffic.Next(controller_.NodeId(), frame);
    if (!queue_.PushWhenEmpty(batch, accepts)) return;
  }
}

}  // namespace pondel
