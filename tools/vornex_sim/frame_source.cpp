#include "tools/vornex_sim/frame_source.h"

#include <chrono>

namespace vornex {

void SimulatedNetwork::Start(const pondel::SimController& controller, pondel::ReceiveQueue& queue) {
  pondel::SimConfig config = config_;
  if (!seedFixed_) config.seed = pondel::FreshSeed();
  network_.emplace(controller, queue);
  network_->Start(config);
}

void PcapReplay::Start(const pondel::SimController& controller, pondel::ReceiveQueue& queue) {
  Stop();
  controller_ = &controller;
  queue_ = &queue;
}

void PcapReplay::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void PcapReplay::CaptureStarted() {
  Stop();
  if (queue_ == nullptr) return;
  stopping_ = false;
  thread_ = std::thread(&PcapReplay::Play, this);
}

void PcapReplay::Play() {
  using Clock = std::chrono::steady_clock;
  const auto accepts = [this](std::uint8_t destination) {
    return controller_->Accepts(destination);
  };
  const auto start = Clock::now();
  std::vector<ArcnetFrame> due;
  std::unique_lock lock(mutex_);
  for (std::size_t next = 0; next < frames_.size();) {
    if (wake_.wait_until(lock, start + frames_[next].at, [this] { return stopping_; })) return;
    // Every frame whose time has come goes in one push, as a burst arrives.
    const auto now = Clock::now();
    due.clear();
    while (next < frames_.size() && start + frames_[next].at <= now)
      due.push_back(frames_[next++].frame);
    lock.unlock();
    queue_->Push(due, accepts);
    lock.lock();
  }
}

}  // namespace vornex
