// The fake UI thread: a queue of work that modal runs, message boxes and
// waits serve, as a Windows message loop serves posted messages.
#include <cassert>

#include "ui/backend.h"
#include "ui/fake/state.h"

namespace ui {

namespace fake {

State& TheState() {
  static State state;
  return state;
}

void ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds poll) {
  State& s = TheState();
  while (!done()) {
    std::function<void()> next;
    {
      std::unique_lock lock(s.mutex);
      if (s.work.empty() && !s.workArrived.wait_for(lock, poll, [&] { return !s.work.empty(); }))
        continue;
      next = std::move(s.work.front());
      s.work.pop_front();
    }
    next();
  }
}

}  // namespace fake

namespace backend {

void BeginUiThread(int&, char**) {
  fake::State& s = fake::TheState();
  std::lock_guard lock(s.mutex);
  s.uiThread = std::this_thread::get_id();
}

void EndUiThread() {
  fake::State& s = fake::TheState();
  std::lock_guard lock(s.mutex);
  s.work.clear();
}

bool IsUiThread() {
  fake::State& s = fake::TheState();
  std::lock_guard lock(s.mutex);
  return s.uiThread == std::this_thread::get_id();
}

void PostToUiThread(std::function<void()> work) {
  fake::State& s = fake::TheState();
  {
    std::lock_guard lock(s.mutex);
    s.work.push_back(std::move(work));
  }
  s.workArrived.notify_all();
}

void ServeWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll) {
  assert(IsUiThread());
  fake::ServeUntil([&] { return !busy(); }, poll);
}

}  // namespace backend
}  // namespace ui
