// The operator's input as the framework hands it to the windows: taken by
// the loops that take it (modal runs, message boxes), held back while the UI
// thread waits in PumpWhile, and always in the order it came, as a platform
// holds back clicks during such a wait. Automation delivers its input
// through here; a platform's own input the backend's wait holds back
// (backend::ServeWhile). All on the UI thread.
#pragma once

#include <functional>

namespace ui {

// Queues input to be run once a loop that takes input runs.
void QueueInput(std::function<void()> input);

// Marks a loop of the UI thread for the time it runs: modal runs and message
// boxes take input, waits hold it back until they end.
class InputLevel {
 public:
  explicit InputLevel(bool takesInput);
  ~InputLevel();
  InputLevel(const InputLevel&) = delete;
  InputLevel& operator=(const InputLevel&) = delete;
};

// Forgets the input still queued (the UI thread is ending).
void DropQueuedInput();

}  // namespace ui
