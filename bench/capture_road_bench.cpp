// The whole road of a capture: the stand-in library's simulated network, the
// capture thread run by a real receive window whose UI thread runs its modal
// loop, both capture files on disk, and the count box updated after every
// frame. Written against the dialog framework only, so the same file is
// linked with each UI backend.
//
// (a) A 10 Mbps network at its busiest, 51,000 of the shortest frames a
//     second in 1 ms batches, for 10 s. Goals: no frame dropped, and the
//     capture thread busy less than a tenth of one core.
// (b) Flood: the library refills its queue whenever it has been emptied, for
//     a few seconds. Goal: at least 1,000,000 frames/s.
// Both report how far the count box was behind ReceivedCount, and whether it
// shows exactly the final count once the capture has ended.
//
// Usage: capture_road_bench [paced seconds [flood seconds]] [--device ADDRESS:PORT]
// (default 10 3; 0 leaves that capture out). With --device the frames come
// from a network server device over TCP instead of the library's simulated
// USB adapter, as its command line makes them: (a) wants it started as
// `vornex-sim --rate 51000 --shortest`, (b) as `vornex-sim --flood --shortest`;
// frames it numbered that never arrived count as dropped.
// The capture files are written in a fresh temporary folder.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "adapter/com20020.h"
#include "bench/pcap_record_counter.h"
#include "bench/simulated_adapter.h"
#include "bench/thread_account.h"
#include "capture/capture_files.h"
#include "capture/capture_state.h"
#include "platform/temp_folder.h"
#include "platform/thread.h"
#include "pondel/pondel.h"
#include "receive/receive_thread.h"
#include "receive/rx_dlg.h"
#include "res/resource.h"
#include "res/templates.h"
#include "ui/automation.h"
#include "ui/dialog.h"
#include "ui/ui_thread.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace automation = ui::automation;

constexpr int kRx = IDD_RECEIVE;
constexpr std::uint32_t kBusiestRate = 51000;  // shortest frames/s on a 10 Mbps ARCNET
constexpr double kQueueFrames = 4096;          // the simulator's receive queue by default
// How often the count box is compared with ReceivedCount.
constexpr auto kSampleEvery = 2ms;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The receive window's ThreadStarter: starts ReceiveThread as the window
// would, and lets the benchmark read the thread's CPU clock while it runs and
// its CPU time when it ends.
struct CaptureThreadClock {
  std::atomic<platform::ThreadFunction> function{nullptr};
  std::atomic<bool> started{false};
  bench::ThreadId thread{};  // written before `started` is set
  std::atomic<bool> ended{false};
  std::atomic<std::int64_t> totalNanoseconds{0};
};
CaptureThreadClock captureThread;

int MeasuredThread(void* param) {
  captureThread.thread = bench::CallingThread();
  captureThread.started = true;
  const int result = captureThread.function.load()(param);
  captureThread.totalNanoseconds = bench::CpuNanoseconds(captureThread.thread);
  captureThread.ended = true;
  return result;
}

bool StartMeasuredThread(platform::ThreadFunction function, void* param) {
  captureThread.function = function;
  captureThread.started = false;
  captureThread.ended = false;
  return platform::StartThread(MeasuredThread, param);
}

// A time the capture thread counted no frame for longer than a network's
// batches explain, and what the scheduler said of the thread meanwhile (asleep
// in poll: the library had nothing for it; runnable, or asleep elsewhere: the
// thread was held up).
struct StandStill {
  double atSeconds;     // from the start of the window
  double milliseconds;  // how long
  double runQueueMs;    // of which the thread was runnable, waiting for a CPU
  std::string states;   // the thread's states seen in the samples meanwhile
};
constexpr double kNotableStandStillMs = 20;

// Follows ReceivedCount and the capture thread, sample by sample: the
// longest time the count stood still, and the notable stand-stills.
class StandStillWatch {
 public:
  StandStillWatch(const bench::ThreadId& thread, std::int64_t count, Clock::time_point start)
      : thread_(thread),
        start_(start),
        first_(bench::Snapshot(thread)),
        lastCount_(count),
        lastMoved_(start),
        atLastMove_(first_) {}

  void Sample(std::int64_t count, Clock::time_point now) {
    const bench::ThreadSnapshot thread = bench::Snapshot(thread_);
    const std::string state = thread.waitingIn.empty() ? std::string(1, thread.state)
                                                       : thread.state + (" " + thread.waitingIn);
    if (statesSinceMove_.find(state) == std::string::npos)
      statesSinceMove_ += (statesSinceMove_.empty() ? "" : ", ") + state;
    if (count == lastCount_) return;
    const double still = Seconds(now - lastMoved_) * 1000;
    longestMs_ = std::max(longestMs_, still);
    if (still > kNotableStandStillMs)
      notable_.push_back(
          {Seconds(lastMoved_ - start_), still,
           Milliseconds(thread.runQueueNanoseconds - atLastMove_.runQueueNanoseconds),
           statesSinceMove_});
    lastCount_ = count;
    lastMoved_ = now;
    atLastMove_ = thread;
    statesSinceMove_.clear();
  }

  double longestMs() const { return longestMs_; }
  const std::vector<StandStill>& notable() const { return notable_; }
  // The time the thread has waited for a CPU since the watch began.
  double RunQueueMs() const {
    return Milliseconds(bench::Snapshot(thread_).runQueueNanoseconds - first_.runQueueNanoseconds);
  }

 private:
  static double Milliseconds(std::int64_t nanoseconds) {
    return static_cast<double>(nanoseconds) / 1e6;
  }

  bench::ThreadId thread_;
  Clock::time_point start_;
  bench::ThreadSnapshot first_;
  std::int64_t lastCount_;
  Clock::time_point lastMoved_;
  bench::ThreadSnapshot atLastMove_;
  std::string statesSinceMove_;
  double longestMs_ = 0;
  std::vector<StandStill> notable_;
};

// The count box and ReceivedCount, read together on the UI thread.
struct CountSample {
  std::int64_t shown = -1;  // -1: the box does not hold a number
  std::int64_t received = 0;
};

CountSample SampleCount(const CDialog& window) {
  CountSample sample;
  ui::SendToUiThread([&] {
    const std::string text = window.GetDlgItemText(IDC_RX_COUNT);
    sample.received = ReceivedCount.load();
    char* end = nullptr;
    const long long shown = std::strtoll(text.c_str(), &end, 10);
    if (!text.empty() && *end == '\0') sample.shown = shown;
  });
  return sample;
}

struct Run {
  bool ok = false;
  const char* failure = "";
  double seconds = 0;                   // from the Start click's effect to the Stop click
  std::int64_t receivedInWindow = 0;    // ReceivedCount over those seconds
  std::int64_t receivedTotal = 0;       // ReceivedCount once the thread has ended
  std::uint64_t dropped = 0;            // by the library during the capture
  double threadCpuMs = 0;               // the capture thread's CPU time over the window
  double threadCpuTotalMs = 0;          // ... over its whole life
  std::vector<std::int64_t> lags;       // ReceivedCount minus the count shown, per sample
  double longestStillMs = 0;            // the longest time ReceivedCount did not move
  std::vector<StandStill> standStills;  // those longer than kNotableStandStillMs
  double runQueueMs = 0;                // the capture thread waited for a CPU, in the window
  double stealMs = 0;                   // the machine's steal time, in the window
  std::int64_t shownAfterStop = -1;
  std::int64_t receivedAfterStop = -1;
  std::int64_t pcapRecords = -1;
  std::int64_t textBlocks = -1;
};

// Records in a pcap file, read in large pieces; -1 when the file does not
// end at the end of a record.
std::int64_t PcapRecordCount(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::vector<char> piece(1 << 20);
  bench::PcapRecordCounter counter;
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0)
    counter.Feed(reinterpret_cast<const unsigned char*>(piece.data()),
                 static_cast<std::size_t>(in.gcount()));
  return counter.whole() ? static_cast<std::int64_t>(counter.records()) : -1;
}

// Blocks in the text dump: each starts with this line. Read in large pieces:
// a flood leaves hundreds of MiB.
std::int64_t TextBlockCount(const char* name) {
  constexpr std::string_view kFirstLine = "Received Packet:";  // then the line's end
  std::ifstream in(name, std::ios::binary);
  std::string piece(1 << 20, '\0');
  std::size_t kept = 0;  // the end of the last piece, which may hold a line's start
  std::int64_t blocks = 0;
  while (in.read(piece.data() + kept, static_cast<std::streamsize>(piece.size() - kept)) ||
         in.gcount() > 0) {
    const std::string_view text(piece.data(), kept + static_cast<std::size_t>(in.gcount()));
    std::size_t at = 0;
    for (std::size_t found; (found = text.find(kFirstLine, at)) != std::string_view::npos;
         at = found + kFirstLine.size())
      ++blocks;
    kept = std::min(text.size() - at, kFirstLine.size() - 1);
    std::memmove(piece.data(), text.data() + text.size() - kept, kept);
  }
  return blocks;
}

// The network server device at "ADDRESS:PORT" on line; true when
// Com20020Init succeeded.
bool DeviceOnLine(const std::string& device) {
  const std::size_t colon = device.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string address = device.substr(0, colon);
  ServerInitBlock block{};
  block.address = address.c_str();
  block.port = static_cast<std::uint16_t>(std::atoi(device.c_str() + colon + 1));
  block.initFlag = 1;
  const std::int32_t result = Com20020Init(&block, 0, kAdapterServer);
  if (result != 0) std::printf("Com20020Init of the device at %s: %d\n", device.c_str(), result);
  return result == 0;
}

// One capture in a receive window of its own: Start, `duration` of frames
// with the count box sampled, Stop, Exit. The frames come from the device at
// `device`, or from the simulated adapter when it is empty.
Run Capture(bool flood, std::chrono::milliseconds duration, const std::string& device) {
  Run run;
  const bool onLine = device.empty() ? bench::SimulatedAdapterOnLine(
                                           flood, true, std::to_string(kBusiestRate).c_str())
                                     : DeviceOnLine(device);
  if (!onLine) {
    run.failure = "Com20020Init failed";
    return run;
  }
  std::atomic<const CDialog*> window{nullptr};
  automation::RunScenario(
      [&] {
        CWinApp app(res::Resources(), "Tarnwick");
        CRxDlg dlg(StartMeasuredThread);
        window = &dlg;
        dlg.DoModal();
        window = nullptr;
      },
      [&] {
        if (!automation::WaitForWindow(kRx) || !automation::Click(kRx, IDC_START) ||
            !automation::WaitUntil([] { return automation::IsEnabled(kRx, IDC_STOP); })) {
          run.failure = "the capture did not start";
          return;
        }
        if (!captureThread.started) {
          run.failure = "the capture thread was not started through the window's ThreadStarter";
          return;
        }
        const bench::ThreadId thread = captureThread.thread;  // it runs until Stop
        const std::uint64_t droppedBefore = PondelDroppedFrames();
        const std::int64_t received0 = ReceivedCount.load();
        const std::int64_t cpu0 = bench::CpuNanoseconds(thread);
        const auto t0 = Clock::now();
        StandStillWatch watch(thread, received0, t0);
        const double steal0 = bench::StealMilliseconds();
        for (auto next = t0 + kSampleEvery; next < t0 + duration; next += kSampleEvery) {
          std::this_thread::sleep_until(next);
          // Read here as well as on the UI thread, which may be held up itself.
          watch.Sample(ReceivedCount.load(), Clock::now());
          const CountSample sample = SampleCount(*window.load());
          if (sample.shown >= 0) run.lags.push_back(sample.received - sample.shown);
        }
        run.longestStillMs = watch.longestMs();
        run.standStills = watch.notable();
        run.runQueueMs = watch.RunQueueMs();
        run.stealMs = bench::StealMilliseconds() - steal0;
        const std::int64_t cpu1 = bench::CpuNanoseconds(thread);
        const std::int64_t received1 = ReceivedCount.load();
        run.seconds = Seconds(Clock::now() - t0);
        run.threadCpuMs = static_cast<double>(cpu1 - cpu0) / 1e6;
        run.receivedInWindow = received1 - received0;

        if (!automation::Click(kRx, IDC_STOP) ||
            !automation::WaitUntil([] { return automation::IsEnabled(kRx, IDC_START); }) ||
            !automation::WaitUntil([] { return captureThread.ended.load(); })) {
          run.failure = "the capture did not stop";
          return;
        }
        run.dropped = PondelDroppedFrames() - droppedBefore;
        run.threadCpuTotalMs = static_cast<double>(captureThread.totalNanoseconds) / 1e6;
        // The first look at the box once Stop has taken effect: it must hold
        // the final count already.
        const CountSample after = SampleCount(*window.load());
        run.shownAfterStop = after.shown;
        run.receivedAfterStop = after.received;
        run.receivedTotal = ReceivedCount.load();
        automation::Click(kRx, IDOK);
        if (automation::WaitForNoWindow(kRx)) run.ok = true;
      });
  Com20020Exit();
  if (run.ok) {
    run.pcapRecords = PcapRecordCount(kCaptureFileName);
    run.textBlocks = TextBlockCount(kTextDumpFileName);
  }
  std::filesystem::remove(kCaptureFileName);
  std::filesystem::remove(kTextDumpFileName);
  return run;
}

std::int64_t Percentile(std::vector<std::int64_t> v, double p) {
  if (v.empty()) return 0;
  const auto at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(at), v.end());
  return v[at];
}

// Where the capture thread's time went when it fell behind.
void PrintScheduler(const Run& run) {
  if (!bench::SchedulerTells() && run.standStills.empty()) {
    std::printf("  scheduler           not told to a Windows program\n");
    return;
  }
  std::printf(
      "  scheduler           capture thread runnable but waiting for a CPU %.1f ms;\n"
      "                      the machine's steal time %.1f ms\n",
      run.runQueueMs, run.stealMs);
  for (const StandStill& s : run.standStills)
    std::printf(
        "  stand-still         at %.2f s: %.1f ms, %.1f ms of it waiting for a CPU, "
        "seen %s\n",
        s.atSeconds, s.milliseconds, s.runQueueMs, s.states.c_str());
}

// The count box lines and the file check; true when all of it holds.
bool PrintCountBoxAndFiles(const Run& run, double framesPerSecond) {
  const std::int64_t worst =
      run.lags.empty() ? 0 : *std::max_element(run.lags.begin(), run.lags.end());
  double mean = 0;
  for (const std::int64_t lag : run.lags) mean += static_cast<double>(lag);
  if (!run.lags.empty()) mean /= static_cast<double>(run.lags.size());
  const auto ms = [framesPerSecond](double frames) {
    return framesPerSecond > 0 ? frames / framesPerSecond * 1000 : 0.0;
  };
  std::printf(
      "  count box behind    %zu samples: mean %.1f, median %lld, p99 %lld, max %lld frames\n",
      run.lags.size(), mean, static_cast<long long>(Percentile(run.lags, 0.5)),
      static_cast<long long>(Percentile(run.lags, 0.99)), static_cast<long long>(worst));
  std::printf("                      (at the rate received: mean %.3f ms, max %.3f ms)\n", ms(mean),
              ms(static_cast<double>(worst)));
  const bool exact =
      run.shownAfterStop == run.receivedAfterStop && run.receivedAfterStop == run.receivedTotal;
  std::printf("  count box at Stop   shows %lld, ReceivedCount %lld: %s\n",
              static_cast<long long>(run.shownAfterStop),
              static_cast<long long>(run.receivedAfterStop), exact ? "exact" : "NOT EXACT");
  const bool files = run.pcapRecords == run.receivedTotal && run.textBlocks == run.receivedTotal;
  std::printf("  files               tarnwick.pcap %lld records, tarnwick.tmp %lld blocks: %s\n",
              static_cast<long long>(run.pcapRecords), static_cast<long long>(run.textBlocks),
              files ? "both hold every frame" : "DIFFER FROM THE COUNT");
  return exact && files;
}

bool ReportPaced(const Run& run) {
  const double offered = kBusiestRate * run.seconds;
  const double share = run.seconds > 0 ? run.threadCpuMs / (run.seconds * 1000) : 0;
  const bool noDrops = run.dropped == 0;
  const bool idleEnough = share < 0.10;
  std::printf("\n(a) %u shortest frames/s offered, 1 ms batches, for %.2f s\n", kBusiestRate,
              run.seconds);
  std::printf("  offered             %.0f frames (the nominal rate over the window)\n", offered);
  std::printf("  received            %lld frames in the window (%.0f/s); %lld in the capture\n",
              static_cast<long long>(run.receivedInWindow),
              static_cast<double>(run.receivedInWindow) / run.seconds,
              static_cast<long long>(run.receivedTotal));
  std::printf("  dropped             %llu (goal 0: %s)\n",
              static_cast<unsigned long long>(run.dropped), noDrops ? "met" : "MISSED");
  std::printf(
      "  capture thread      %.1f ms CPU in %.2f s = %.2f%% of one core (goal < 10%%: %s)\n",
      run.threadCpuMs, run.seconds, share * 100, idleEnough ? "met" : "MISSED");
  std::printf("                      %.1f ms CPU over its whole life; %.2f us per frame\n",
              run.threadCpuTotalMs,
              run.receivedInWindow > 0
                  ? run.threadCpuMs * 1000 / static_cast<double>(run.receivedInWindow)
                  : 0.0);
  std::printf("  longest stand-still %.1f ms without a frame counted (the queue holds %.0f ms)\n",
              run.longestStillMs, kQueueFrames / kBusiestRate * 1000);
  PrintScheduler(run);
  const bool box = PrintCountBoxAndFiles(run, kBusiestRate);
  return noDrops && idleEnough && box;
}

bool ReportFlood(const Run& run) {
  const double rate = static_cast<double>(run.receivedInWindow) / run.seconds;
  const bool fastEnough = rate >= 1e6;
  std::printf("\n(b) flood of shortest frames for %.2f s\n", run.seconds);
  std::printf("  sustained           %.0f frames/s (%lld frames) (goal >= 1,000,000: %s)\n", rate,
              static_cast<long long>(run.receivedInWindow), fastEnough ? "met" : "MISSED");
  std::printf(
      "  capture thread      %.1f ms CPU in %.2f s = %.1f%% of one core; %.3f us per frame\n",
      run.threadCpuMs, run.seconds, run.threadCpuMs / (run.seconds * 10),
      run.receivedInWindow > 0 ? run.threadCpuMs * 1000 / static_cast<double>(run.receivedInWindow)
                               : 0.0);
  std::printf("  dropped             %llu\n", static_cast<unsigned long long>(run.dropped));
  PrintScheduler(run);
  const bool box = PrintCountBoxAndFiles(run, rate);
  return fastEnough && box;
}

}  // namespace

int main(int argc, char** argv) {
  std::string device;
  std::vector<const char*> durations;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--device" && i + 1 < argc)
      device = argv[++i];
    else
      durations.push_back(argv[i]);
  }
  const auto seconds = [&](std::size_t at, int fallback) {
    return std::chrono::milliseconds(
        static_cast<long>((durations.size() > at ? std::atof(durations[at]) : fallback) * 1000));
  };
  const auto pacedFor = seconds(0, 10);
  const auto floodFor = seconds(1, 3);

  const platform::TempFolder folder("tarnwick-bench-");
  std::filesystem::current_path(folder.path());
  std::printf("Capture files in %s\n", folder.path().string().c_str());
  if (!device.empty()) std::printf("Frames from the network server device at %s\n", device.c_str());
  bench::PrintLoad("at start");

  // A duration of 0 leaves that capture out.
  bool allMet = true;
  const auto measure = [&](bool flood, std::chrono::milliseconds duration) {
    if (duration.count() <= 0) return;
    const Run run = Capture(flood, duration, device);
    if (!run.ok)
      std::printf("%s capture failed: %s\n", flood ? "Flood" : "Paced", run.failure);
    else if (flood)
      allMet = ReportFlood(run) && allMet;
    else
      allMet = ReportPaced(run) && allMet;
    allMet = allMet && run.ok;
  };
  measure(false, pacedFor);
  measure(true, floodFor);
  std::printf("\n");
  bench::PrintLoad("at end");
  std::printf("%s\n", allMet ? "All goals met." : "Some goals MISSED (see above).");
  std::filesystem::current_path(folder.path().parent_path());
  return 0;
}
