#include "bench/thread_account.h"

#include <windows.h>

namespace bench {

ThreadId CallingThread() {
  HANDLE thread = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE,
                  DUPLICATE_SAME_ACCESS);
  return {reinterpret_cast<std::intptr_t>(thread), 0};
}

std::int64_t CpuNanoseconds(const ThreadId& thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(reinterpret_cast<HANDLE>(thread.clock), &created, &exited, &kernel, &user))
    return 0;
  const auto ticks = [](FILETIME t) {
    return static_cast<std::int64_t>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) * 100;  // 100 ns ticks
}

ThreadSnapshot Snapshot(const ThreadId&) {
  return {};
}

bool SchedulerTells() {
  return false;
}

double StealMilliseconds() {
  return 0;
}

void PrintLoad(const char*) {}

}  // namespace bench
