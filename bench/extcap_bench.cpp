// tarnwick-extcap measured as Wireshark runs it: the program of this build
// as a process of its own, on the stand-in library's simulated network, its
// FIFO read by this program or by the real tshark. What the program did to
// the adapter (frames handed out, frames dropped) comes from the library's
// trace (PONDEL_SIM_TRACE).
//
// (a) Flood: the library refills its queue of shortest frames whenever it
//     has been emptied; this program reads the FIFO and discards it. Goal:
//     at least 1,000,000 frames/s, as on the receive window's road.
// (b) A 10 Mbps network at its busiest, 51,000 of the shortest frames a
//     second, captured by `tshark -w` for 10 s. Goal: no frame dropped.
// (c) The reader closing the FIFO of an idle capture: how long until the
//     adapter is off line and the program has ended. Goal: within one wait
//     slice (50 ms).
//
// Usage: extcap_bench [flood seconds [paced seconds [closings]]] (default
// 3 10 20; 0 leaves that part out). Needs tshark for (b).
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench/pcap_record_counter.h"
#include "platform/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kBusiestRate = 51000;
constexpr std::size_t kPcapHeaderSize = 24;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void SetSimulator(bool flood, std::uint32_t rate, const fs::path& trace) {
  setenv("PONDEL_SIM_FLOOD", flood ? "1" : "0", 1);
  setenv("PONDEL_SIM_SHORTEST", "1", 1);
  setenv("PONDEL_SIM_RATE", std::to_string(rate).c_str(), 1);
  setenv("PONDEL_SIM_SEED", "1", 1);
  setenv("PONDEL_SIM_TRACE", trace.c_str(), 1);
  fs::remove(trace);
}

// The program capturing the USB adapter into `fifo`.
pid_t StartExtcap(const fs::path& fifo) {
  const pid_t pid = fork();
  if (pid == 0) {
    execl(TARNWICK_EXTCAP_PATH, "tarnwick-extcap", "--capture", "--extcap-interface",
          "tarnwick-arcnet-usb", "--fifo", fifo.c_str(), nullptr);
    _exit(127);
  }
  return pid;
}

// The library's last word on a capture: "Com20020Exit: N frames delivered,
// M dropped".
struct ExitLine {
  bool found = false;
  unsigned long long delivered = 0, dropped = 0;
};
ExitLine ReadExitLine(const fs::path& trace) {
  ExitLine exit;
  std::ifstream in(trace);
  for (std::string line; std::getline(in, line);) {
    if (std::sscanf(line.c_str(), "Com20020Exit: %llu frames delivered, %llu dropped",
                    &exit.delivered, &exit.dropped) == 2)
      exit.found = true;
  }
  return exit;
}

bool Flood(const fs::path& folder, Clock::duration duration) {
  const fs::path fifo = folder / "flood.fifo", trace = folder / "flood.trace";
  mkfifo(fifo.c_str(), 0600);
  SetSimulator(true, 0, trace);
  const pid_t program = StartExtcap(fifo);
  const int in = open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<unsigned char> piece(1 << 20);
  bench::PcapRecordCounter counter;
  // From the first frame: the start (Init, the first batch) is not the road.
  while (counter.records() == 0) {
    const ssize_t n = read(in, piece.data(), piece.size());
    if (n <= 0) break;
    counter.Feed(piece.data(), static_cast<std::size_t>(n));
  }
  const std::uint64_t first = counter.records();
  const auto start = Clock::now();
  while (Clock::now() - start < duration) {
    const ssize_t n = read(in, piece.data(), piece.size());
    if (n <= 0) break;
    counter.Feed(piece.data(), static_cast<std::size_t>(n));
  }
  const double seconds = Seconds(Clock::now() - start);
  const std::uint64_t inWindow = counter.records() - first;
  kill(program, SIGTERM);
  for (ssize_t n; (n = read(in, piece.data(), piece.size())) > 0;)
    counter.Feed(piece.data(), static_cast<std::size_t>(n));
  close(in);
  int status = 0;
  rusage usage{};
  wait4(program, &status, 0, &usage);
  const ExitLine exit = ReadExitLine(trace);
  const double rate = static_cast<double>(inWindow) / seconds;
  const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  const bool met = rate >= 1e6;
  std::printf("\n(a) flood of shortest frames through the FIFO into a reader that discards\n");
  std::printf(
      "  sustained           %.0f frames/s (%llu frames in %.2f s) (goal >= 1,000,000: %s)\n", rate,
      static_cast<unsigned long long>(inWindow), seconds, met ? "met" : "MISSED");
  std::printf("  program             %.2f s of CPU over its life; %.3f us per frame read\n", cpu,
              counter.records() > 0 ? cpu * 1e6 / static_cast<double>(counter.records()) : 0.0);
  std::printf(
      "  every frame         %llu delivered by the library, %llu read whole: %s;\n"
      "                      exit status %d after SIGTERM\n",
      exit.delivered, static_cast<unsigned long long>(counter.records()),
      exit.found && exit.delivered == counter.records() ? "the same" : "DIFFERENT",
      WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  return met && exit.found && exit.delivered == counter.records() && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

bool IntoTshark(const fs::path& folder, int seconds) {
  // tshark finds the program in the extcap folder of a home of its own.
  const fs::path home = folder / "home", extcapFolder = home / ".config/wireshark/extcap";
  fs::create_directories(extcapFolder);
  fs::create_symlink(TARNWICK_EXTCAP_PATH, extcapFolder / "tarnwick-extcap");
  const fs::path trace = folder / "paced.trace", capture = folder / "paced.pcapng";
  SetSimulator(false, kBusiestRate, trace);
  const std::string command =
      "HOME='" + home.string() +
      "' tshark -i tarnwick-arcnet-usb -a duration:" + std::to_string(seconds) + " -w '" +
      capture.string() + "' >/dev/null 2>&1";
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double took = Seconds(Clock::now() - start);
  const ExitLine exit = ReadExitLine(trace);
  std::uint64_t inFile = 0;
  if (std::FILE* pipe = popen(
          ("tshark -r '" + capture.string() + "' -T fields -e frame.number 2>/dev/null").c_str(),
          "r")) {
    char line[64];
    while (std::fgets(line, sizeof line, pipe) != nullptr) ++inFile;
    pclose(pipe);
  }
  const bool noDrops = exit.found && exit.dropped == 0;
  std::printf("\n(b) %u shortest frames/s into tshark -w for %d s (tshark ran %.1f s, status %d)\n",
              kBusiestRate, seconds, took, status);
  std::printf("  dropped             %llu by the adapter's queue (goal 0: %s)\n", exit.dropped,
              noDrops ? "met" : "MISSED");
  std::printf("  delivered           %llu frames (%.0f/s over tshark's run)\n", exit.delivered,
              static_cast<double>(exit.delivered) / took);
  std::printf("  in the file         %llu frames; %lld written after tshark stopped reading\n",
              static_cast<unsigned long long>(inFile),
              static_cast<long long>(exit.delivered) - static_cast<long long>(inFile));
  return noDrops && inFile > 0;
}

bool Closings(const fs::path& folder, int count) {
  const fs::path fifo = folder / "idle.fifo", trace = folder / "idle.trace";
  mkfifo(fifo.c_str(), 0600);
  std::vector<double> ms;
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    SetSimulator(false, 0, trace);  // a silent network: the program writes nothing more
    const pid_t program = StartExtcap(fifo);
    const int in = open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
    unsigned char header[kPcapHeaderSize];
    std::size_t got = 0;
    for (ssize_t n; got < sizeof header && (n = read(in, header + got, sizeof header - got)) > 0;)
      got += static_cast<std::size_t>(n);
    // Receiving by now (the header is written just before the adapter is
    // switched); the close lands at a different point of a wait slice each
    // time.
    std::this_thread::sleep_for(100ms + 2500us * (i % 20));
    const auto closed = Clock::now();
    close(in);
    int status = 0;
    waitpid(program, &status, 0);
    ms.push_back(Seconds(Clock::now() - closed) * 1000);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !ReadExitLine(trace).found) ++failures;
  }
  std::sort(ms.begin(), ms.end());
  const bool met = failures == 0 && !ms.empty() && ms.back() <= 60;
  std::printf("\n(c) the reader closing the FIFO of an idle capture, %d times\n", count);
  std::printf(
      "  program ended       median %.1f ms, max %.1f ms after the close "
      "(goal: one 50 ms wait slice: %s)\n",
      ms.empty() ? 0 : ms[ms.size() / 2], ms.empty() ? 0 : ms.back(), met ? "met" : "MISSED");
  std::printf("  in order            %d of %d with exit status 0 and the adapter off line\n",
              count - failures, count);
  return met;
}

}  // namespace

int main(int argc, char** argv) {
  const auto number = [&](int at, double fallback) {
    return argc > at ? std::atof(argv[at]) : fallback;
  };
  const double floodSeconds = number(1, 3), pacedSeconds = number(2, 10);
  const int closings = static_cast<int>(number(3, 20));
  signal(SIGPIPE, SIG_IGN);
  const platform::TempFolder folder("tarnwick-bench-");
  std::printf("tarnwick-extcap: %s\n", TARNWICK_EXTCAP_PATH);
  bool allMet = true;
  if (floodSeconds > 0)
    allMet = Flood(folder.path(), std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(floodSeconds))) &&
             allMet;
  if (pacedSeconds > 0)
    allMet = IntoTshark(folder.path(), static_cast<int>(pacedSeconds)) && allMet;
  if (closings > 0) allMet = Closings(folder.path(), closings) && allMet;
  std::printf("\n%s\n", allMet ? "All goals met." : "Some goals MISSED (see above).");
  return 0;
}
