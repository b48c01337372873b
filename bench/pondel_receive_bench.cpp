// How fast one thread can take frames from the stand-in adapter library, so
// that the simulator is never what limits a capture benchmark (goal: more
// than 1,000,000 frames/s in flood mode), and whether the default queue rides
// out a 10 Mbps network at its busiest (51,000 frames/s) without a drop.
#include <benchmark/benchmark.h>
#include <chrono>

#include "adapter/com20020.h"
#include "bench/library_capture.h"
#include "bench/simulated_adapter.h"
#include "pondel/pondel.h"

namespace {

// On line as a USB adapter in receive-all mode, with an event registered, as
// a capture starts. Ends the capture and goes off line when it goes.
class SimulatedCapture {
 public:
  SimulatedCapture(bool flood, bool shortest, const char* rate)
      : ok_(bench::SimulatedAdapterOnLine(flood, shortest, rate)) {}

  bool ok() const { return ok_; }
  bool Wait(int milliseconds) { return capture_.Wait(milliseconds); }

 private:
  bool ok_;  // first: the capture starts once the adapter is on line
  bench::LibraryCapture capture_;
};

// Com20020Receive back to back; when it finds the queue empty the thread
// waits for the event, as a capture does. One iteration is one frame.
void BM_FloodReceive(benchmark::State& state) {
  SimulatedCapture capture(true, state.range(0) != 0, "0");
  if (!capture.ok()) return state.SkipWithError("Com20020Init failed");
  ArcnetFrame frame{};
  for (auto _ : state) {
    while (Com20020Receive(&frame) != 0) capture.Wait(50);
    benchmark::DoNotOptimize(frame);
  }
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["dropped"] = static_cast<double>(PondelDroppedFrames());
}
BENCHMARK(BM_FloodReceive)->ArgName("shortest")->Arg(0)->Arg(1)->UseRealTime();

// The capture thread's loop at a given network rate for two seconds: wait on
// the event in 50 ms slices and drain until nothing is waiting. Reports what
// arrived and what the queue had to drop.
void BM_PacedCapture(benchmark::State& state) {
  const std::string rate = std::to_string(state.range(0));
  for (auto _ : state) {
    SimulatedCapture capture(false, true, rate.c_str());
    if (!capture.ok()) return state.SkipWithError("Com20020Init failed");
    ArcnetFrame frame{};
    long frames = 0;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < end) {
      if (!capture.Wait(50)) continue;
      do {
        if (Com20020Receive(&frame) == 0) ++frames;
      } while (frame.waiting != 0);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.counters["frames/s"] = frames / seconds;
    state.counters["dropped"] = static_cast<double>(PondelDroppedFrames());
  }
}
BENCHMARK(BM_PacedCapture)
    ->ArgName("rate")
    ->Arg(51000)
    ->Arg(200000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
