#include "ui/input.h"

#include <cassert>
#include <cstddef>
#include <deque>
#include <vector>

#include "ui/backend.h"

namespace ui {

namespace {

// All touched on the UI thread only.
std::vector<bool> levels;  // the running loops, innermost last: take input?
std::deque<std::function<void()>> pending;
std::size_t queuedServes = 0;  // ServeOneInput calls posted and not yet run

bool TakesInput() {
  return !levels.empty() && levels.back();
}

// Each input is served by a call posted for it, so that input and other work
// run in the order they were posted, as the operator's clicks and the
// program's messages interleave. A call that comes while input is held back
// leaves its input waiting; it is posted again when the hold ends.
void ServeOneInput() {
  assert(queuedServes > 0);
  --queuedServes;
  if (!TakesInput() || pending.empty()) return;
  std::function<void()> input = std::move(pending.front());
  pending.pop_front();
  input();
}

void PostServes() {
  if (!TakesInput()) return;
  for (; queuedServes < pending.size(); ++queuedServes) backend::PostToUiThread(ServeOneInput);
}

}  // namespace

void QueueInput(std::function<void()> input) {
  assert(backend::IsUiThread());
  pending.push_back(std::move(input));
  ++queuedServes;
  backend::PostToUiThread(ServeOneInput);
}

InputLevel::InputLevel(bool takesInput) {
  levels.push_back(takesInput);
  PostServes();
}

InputLevel::~InputLevel() {
  levels.pop_back();
  PostServes();
}

void DropQueuedInput() {
  pending.clear();
  queuedServes = 0;
}

}  // namespace ui
