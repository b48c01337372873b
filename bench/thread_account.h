// What the system tells a benchmark of one of its threads and of the machine:
// the thread's CPU time everywhere; on Linux also the scheduler's account of
// the thread, the machine's steal time and its load, which Windows does not
// tell a program (they read as nothing there).
#pragma once

#include <cstdint>
#include <string>

namespace bench {

// A thread of this process as other threads read its account: its CPU clock
// (on Windows a handle to the thread, since the C runtime's clock of another
// thread there runs with the wall clock), and on Linux its id in /proc.
struct ThreadId {
  std::intptr_t clock = 0;
  long tid = 0;
};

ThreadId CallingThread();
std::int64_t CpuNanoseconds(const ThreadId& thread);

// What the scheduler says of a thread of this process: the time it spent
// runnable but waiting for a CPU, and its state now (R running or runnable,
// S sleeping, D waiting for the disk).
struct ThreadSnapshot {
  std::int64_t runQueueNanoseconds = 0;
  char state = '?';
  std::string waitingIn;  // the kernel function it sleeps in (wchan), if it sleeps
};
ThreadSnapshot Snapshot(const ThreadId& thread);
// False where Snapshot says nothing (Windows).
bool SchedulerTells();

// Time the hypervisor gave the machine's virtual CPUs to others, in ms.
double StealMilliseconds();

// The load average, `when` named; nothing where there is none.
void PrintLoad(const char* when);

}  // namespace bench
