// The fake UI thread: a queue of work that modal runs, message boxes and
// waits serve, as a Windows message loop serves posted messages.
#include <algorithm>
#include <cassert>

#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/fake/fake_state.h"

namespace ui {

namespace fake {

State& TheState() {
  static State state;
  return state;
}

void ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds poll,
                bool serveInput) {
  State& s = TheState();
  const auto eligible = [serveInput](const State::Work& w) { return serveInput || !w.isInput; };
  while (!done()) {
    std::function<void()> next;
    {
      std::unique_lock lock(s.mutex);
      auto it = std::find_if(s.work.begin(), s.work.end(), eligible);
      if (it == s.work.end()) {
        s.workArrived.wait_for(lock, poll);
        it = std::find_if(s.work.begin(), s.work.end(), eligible);
        if (it == s.work.end()) continue;
      }
      next = std::move(it->run);
      s.work.erase(it);
    }
    next();
  }
}

void Post(std::function<void()> work, bool isInput) {
  State& s = TheState();
  {
    std::lock_guard lock(s.mutex);
    s.work.push_back({std::move(work), isInput});
  }
  s.workArrived.notify_all();
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
  fake::Post(std::move(work), false);
}

void PostInput(std::function<void()> input) {
  fake::Post(std::move(input), true);
}

void PostToWindow(Window* window, std::function<void()> work) {
  assert(window != nullptr);
  PostToUiThread([alive = window->alive, work = std::move(work)] {
    if (alive->load()) work();
  });
}

void PumpWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll) {
  assert(IsUiThread());
  fake::ServeUntil([&] { return !busy(); }, poll, /*serveInput=*/false);
}

}  // namespace backend
}  // namespace ui
