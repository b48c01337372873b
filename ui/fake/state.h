// The in-memory backend's model: windows as records of their controls, the
// stack of modal windows and message boxes, and the UI thread's work queue.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ui/automation.h"
#include "ui/fake/fake_ui.h"
#include "ui/resources.h"
#include "ui/window.h"

class CDialog;

namespace ui {

struct FakeControl {
  const ControlTemplate* tmpl;
  std::string text;
  bool enabled;
  int check = 0;
  int selection = -1;
};

struct Window : WindowRecord {
  std::vector<FakeControl> controls = {};
  std::vector<automation::MenuItem> systemMenu = {};  // the items appended to it
  int focus = 0;  // the control with the keyboard focus, 0 for none
  // As the window manager left it: minimised, with this client area.
  bool minimized = false;
  int clientWidth = 0;
  int clientHeight = 0;

  FakeControl& Control(int id);
};

namespace fake {

struct OpenMessageBox {
  MessageBoxRecord record;
  std::optional<int> answer;
};

// One entry of the stack of things on screen: the top one takes input.
struct OnScreen {
  Window* window = nullptr;       // a running modal dialog, or
  OpenMessageBox* box = nullptr;  // a message box waiting for its answer
};

struct State {
  // Touched only on the UI thread.
  std::vector<OnScreen> screen;

  // The work queue and the records are shared with other threads.
  std::mutex mutex;
  std::condition_variable workArrived;
  std::deque<std::function<void()>> work;
  std::thread::id uiThread;
  std::deque<int> scriptedAnswers;
  std::vector<MessageBoxRecord> shown;
};

State& TheState();

// Runs queued work until `done()` holds; waits for work at most `poll` at a
// time, so `done` is tested at least that often.
void ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds poll);

}  // namespace fake
}  // namespace ui
