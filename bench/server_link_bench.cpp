// The network server device's link, with the device simulator's own code
// running in this process and the library reaching it over TCP on loopback:
//
// (a) Flood: the device refills its queue whenever it has been sent, and one
//     thread takes frames from the library as a capture's drain does.
//     Goal: 10 x 51,000 frames/s (what a 10 Mbps ARCNET carries at most).
// (b) Latency from the device to the file: 51,000 frames/s in 1 ms batches,
//     each stamped as it enters the device's queue, captured by the
//     program's own capture thread into tarnwick.pcap; a watcher reads each
//     record as it lands (inotify) and takes the time. Goal: median and 99th
//     percentile under 5 ms.
//
// Usage: server_link_bench [flood seconds [latency seconds]] (default 3 10)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "adapter/com20020.h"
#include "bench/library_capture.h"
#include "capture/capture_files.h"
#include "capture/capture_state.h"
#include "capture/pcap_writer.h"
#include "platform/temp_folder.h"
#include "pondel/pondel.h"
#include "receive/receive_thread.h"
#include "tools/vornex_sim/device.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kBusiestRate = 51000;
constexpr double kFloodGoal = 10.0 * kBusiestRate;
constexpr double kLatencyGoalMs = 5;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// A device on 127.0.0.1, served by its own thread until it goes.
class InProcessDevice {
 public:
  explicit InProcessDevice(std::unique_ptr<vornex::FrameSource> source)
      : device_({.listen = "127.0.0.1", .port = 0, .discoveryPort = 0, .name = "bench"},
                std::move(source), nullptr) {
    if (const std::string error = device_.Listen(); !error.empty()) {
      std::fprintf(stderr, "device: %s\n", error.c_str());
      std::exit(1);
    }
    thread_ = std::thread([this] { device_.Run(stop_); });
  }
  ~InProcessDevice() {
    const std::uint64_t one = 1;
    if (::write(stop_, &one, sizeof one) < 0) std::abort();
    thread_.join();
    ::close(stop_);
  }
  std::uint16_t port() const { return device_.endpoint().port(); }

 private:
  vornex::VornexDevice device_;
  int stop_ = eventfd(0, EFD_CLOEXEC);
  std::thread thread_;
};

bool OnLine(std::uint16_t port) {
  ServerInitBlock block{};
  block.address = "127.0.0.1";
  block.port = port;
  block.initFlag = 1;
  const std::int32_t result = Com20020Init(&block, 0, kAdapterServer);
  if (result != 0) std::fprintf(stderr, "Com20020Init: %d\n", result);
  return result == 0;
}

// (a) One thread takes frames as a capture's drain does, for `duration`.
bool MeasureFlood(bool shortest, Clock::duration duration) {
  pondel::SimConfig network;
  network.flood = true;
  network.shortestOnly = shortest;
  network.seed = 1;
  InProcessDevice device(std::make_unique<vornex::SimulatedNetwork>(network, true));
  if (!OnLine(device.port())) return false;
  std::uint64_t frames = 0, bytes = 0, lost = 0;
  double seconds = 0;
  {
    bench::LibraryCapture capture;
    const std::uint64_t dropped0 = PondelDroppedFrames();
    ArcnetFrame frame{};
    const auto start = Clock::now();
    while (Clock::now() - start < duration) {
      if (!capture.Wait(50)) continue;
      do {
        if (Com20020Receive(&frame) == 0) {
          ++frames;
          bytes += frame.length;
        }
      } while (frame.waiting != 0);
    }
    seconds = Seconds(Clock::now() - start);
    lost = PondelDroppedFrames() - dropped0;
  }
  // The device waits for room in its own queue, so what the library lost
  // the link did carry: the library's queue was full, its consumer slower.
  const double taken = static_cast<double>(frames) / seconds;
  const double carried = static_cast<double>(frames + lost) / seconds;
  const bool met = !shortest || taken >= kFloodGoal;
  std::printf("\n(a) flood of %s frames for %.2f s\n", shortest ? "the shortest" : "mixed",
              seconds);
  std::printf("  taken by one thread %.0f frames/s, %.1f MB/s of frame data%s\n", taken,
              static_cast<double>(bytes) / seconds / 1e6,
              shortest ? (met ? " (goal >= 510,000: met)" : " (goal >= 510,000: MISSED)") : "");
  std::printf(
      "  carried by the link %.0f frames/s (%llu more than were taken: the library's\n"
      "                      queue was full)\n",
      carried, static_cast<unsigned long long>(lost));
  return met;
}

// Frames stamped with the time they enter the device's queue: 16 data bytes,
// the steady clock's nanoseconds, then a running number.
class StampedTraffic : public vornex::FrameSource {
 public:
  explicit StampedTraffic(std::uint32_t rate) : rate_(rate) {}
  ~StampedTraffic() override { Stop(); }
  void Start(const pondel::SimController& controller, pondel::ReceiveQueue& queue) override {
    Stop();
    stopping_ = false;
    thread_ = std::thread([this, &controller, &queue] { Run(controller, queue); });
  }
  void Stop() override {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

 private:
  void Run(const pondel::SimController& controller, pondel::ReceiveQueue& queue) {
    const auto accepts = [&](std::uint8_t d) { return controller.Accepts(d); };
    const auto start = Clock::now();
    std::uint64_t sent = 0;
    std::vector<ArcnetFrame> batch;
    std::unique_lock lock(mutex_);
    for (auto tick = start; !stopping_; tick += 1ms) {
      wake_.wait_until(lock, tick, [this] { return stopping_; });
      const auto now = Clock::now();
      const auto due = static_cast<std::uint64_t>(Seconds(now - start) * rate_);
      batch.assign(due - sent, ArcnetFrame{});
      const std::int64_t stamp = now.time_since_epoch().count();
      for (ArcnetFrame& frame : batch) {
        frame.source = 21;
        frame.destination = 0;
        frame.length = 16;
        std::memcpy(frame.data, &stamp, sizeof stamp);
        std::memcpy(frame.data + 8, &sent, 4);
        ++sent;
      }
      lock.unlock();
      queue.Push(batch, accepts);
      lock.lock();
    }
  }

  std::uint32_t rate_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

struct CaptureFrontEndStub : CaptureFrontEnd {
  void PublishCount(std::int32_t) override {}
  void ShowOpenFailure(const std::string& why) override {
    std::fprintf(stderr, "Unable to open log file\n%s\n", why.c_str());
  }
  void ReportCaptureEnded(const CaptureEnd& end) override {
    std::fprintf(stderr, "%s\n", end.message.c_str());
  }
};

// Reads tarnwick.pcap as the capture thread flushes it, and takes for each
// record the time since its frame was stamped.
std::vector<double> WatchFile(const std::atomic<bool>& stop) {
  std::vector<double> latenciesMs;
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  inotify_add_watch(watch, kCaptureFileName, IN_MODIFY);
  const int file = open(kCaptureFileName, O_RDONLY | O_CLOEXEC);
  std::vector<std::uint8_t> held;
  std::uint64_t offset = kPcapHeaderSize;
  std::uint8_t piece[1 << 16];
  while (!stop) {
    pollfd p{watch, POLLIN, 0};
    if (poll(&p, 1, 50) != 1) continue;
    char events[4096];
    while (read(watch, events, sizeof events) > 0) {
    }
    for (ssize_t n; (n = pread(file, piece, sizeof piece, static_cast<off_t>(offset))) > 0;) {
      offset += static_cast<std::uint64_t>(n);
      held.insert(held.end(), piece, piece + n);
    }
    const std::int64_t now = Clock::now().time_since_epoch().count();
    std::size_t at = 0;
    while (held.size() - at >= kPcapRecordHeaderSize + kArcnetHeaderSize + 8) {
      std::uint32_t captured;
      std::memcpy(&captured, held.data() + at + 8, 4);
      if (held.size() - at < kPcapRecordHeaderSize + captured) break;
      std::int64_t stamp;
      std::memcpy(&stamp, held.data() + at + kPcapRecordHeaderSize + kArcnetHeaderSize, 8);
      latenciesMs.push_back(static_cast<double>(now - stamp) / 1e6);
      at += kPcapRecordHeaderSize + captured;
    }
    held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(at));
  }
  close(file);
  close(watch);
  return latenciesMs;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(at), v.end());
  return v[at];
}

// (b) The capture thread writes the device's frames to the files.
bool MeasureLatency(Clock::duration duration) {
  InProcessDevice device(std::make_unique<StampedTraffic>(kBusiestRate));
  if (!OnLine(device.port())) return false;
  CaptureFrontEndStub window;
  CaptureRunning = 0;
  CaptureFinished = 0;
  std::thread capture(ReceiveThread, &window);
  while (CaptureRunning == 0 && CaptureFinished == 0) std::this_thread::sleep_for(1ms);
  // Counted from here: before the capture nobody takes frames, and the
  // queue fills and drops as it would between Connect and Start.
  const std::uint64_t droppedBefore = PondelDroppedFrames();
  std::atomic<bool> stop{false};
  std::vector<double> latencies;
  std::thread watcher([&] { latencies = WatchFile(stop); });
  std::this_thread::sleep_for(duration);
  CaptureRunning = 0;
  capture.join();
  // Read at once: from here on nobody takes the frames that still come.
  const std::uint64_t lost = PondelDroppedFrames() - droppedBefore;
  std::this_thread::sleep_for(100ms);  // the last records are read
  stop = true;
  watcher.join();
  Com20020Exit();

  const double median = Percentile(latencies, 0.5);
  const double p99 = Percentile(latencies, 0.99);
  const double worst =
      latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
  const bool met = !latencies.empty() && median < kLatencyGoalMs && p99 < kLatencyGoalMs;
  std::printf("\n(b) %u frames/s in 1 ms batches for %.0f s, device to tarnwick.pcap\n",
              kBusiestRate, Seconds(duration));
  std::printf("  frames in the file  %zu; lost during the capture %llu\n", latencies.size(),
              static_cast<unsigned long long>(lost));
  std::printf("  latency             median %.2f ms, p99 %.2f ms, max %.2f ms (goal < 5 ms: %s)\n",
              median, p99, worst, met ? "met" : "MISSED");
  return met;
}

}  // namespace

int main(int argc, char** argv) {
  const auto seconds = [&](int at, double fallback) {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(argc > at ? std::atof(argv[at]) : fallback));
  };
  const platform::TempFolder folder("tarnwick-bench-");
  std::filesystem::current_path(folder.path());
  bool allMet = MeasureFlood(true, seconds(1, 3));
  MeasureFlood(false, seconds(1, 3));
  allMet = MeasureLatency(seconds(2, 10)) && allMet;
  std::printf("\n%s\n", allMet ? "All goals met." : "Some goals MISSED (see above).");
  std::filesystem::current_path(folder.path().parent_path());
  return 0;
}
