#include "bench/thread_account.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <pthread.h>
#include <sys/syscall.h>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace bench {

ThreadId CallingThread() {
  clockid_t clock{};
  pthread_getcpuclockid(pthread_self(), &clock);
  return {clock, static_cast<long>(syscall(SYS_gettid))};
}

std::int64_t CpuNanoseconds(const ThreadId& thread) {
  timespec ts{};
  clock_gettime(static_cast<clockid_t>(thread.clock), &ts);
  return std::int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

ThreadSnapshot Snapshot(const ThreadId& thread) {
  ThreadSnapshot snapshot;
  const std::string task = "/proc/self/task/" + std::to_string(thread.tid);
  std::ifstream schedstat(task + "/schedstat");
  std::int64_t running = 0;
  schedstat >> running >> snapshot.runQueueNanoseconds;
  std::ifstream stat(task + "/stat");
  std::string line;
  std::getline(stat, line);
  // "tid (name) S ...": the state follows the name's closing parenthesis.
  if (const auto close = line.rfind(')'); close != std::string::npos && close + 2 < line.size())
    snapshot.state = line[close + 2];
  if (snapshot.state != 'R') std::getline(std::ifstream(task + "/wchan"), snapshot.waitingIn);
  return snapshot;
}

bool SchedulerTells() {
  return true;
}

double StealMilliseconds() {
  std::ifstream stat("/proc/stat");
  std::string cpu;
  std::int64_t fields[8] = {};
  stat >> cpu;
  for (std::int64_t& field : fields) stat >> field;
  return static_cast<double>(fields[7]) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void PrintLoad(const char* when) {
  double load[3] = {};
  if (getloadavg(load, 3) == 3)
    std::printf("Load average %s: %.2f %.2f %.2f on %u cores\n", when, load[0], load[1], load[2],
                std::thread::hardware_concurrency());
}

}  // namespace bench
