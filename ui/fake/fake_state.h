// The in-memory backend's model: windows as records of their controls, the
// stack of modal windows and message boxes, and the UI thread's work queue.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "res/templates.h"
#include "ui/automation.h"
#include "ui/fake/fake_ui.h"

class CDialog;

namespace ui {

struct FakeControl {
  const res::ControlTemplate* tmpl;
  std::string text;
  bool enabled;
  int check = 0;
  int selection = -1;
};

struct Window {
  CDialog* dialog;
  const res::DialogTemplate* tmpl;
  Window* owner;
  std::vector<FakeControl> controls;
  std::vector<automation::MenuItem> systemMenu;  // the items appended to it
  int bigIcon = 0;
  int smallIcon = 0;
  int focus = 0;  // the control with the keyboard focus, 0 for none
  bool ended = false;
  int result = 0;
  // Work posted to the window checks this; it outlives the window.
  std::shared_ptr<std::atomic<bool>> alive = std::make_shared<std::atomic<bool>>(true);

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
  struct Work {
    std::function<void()> run;
    bool isInput;
  };
  std::deque<Work> work;
  std::thread::id uiThread;
  std::deque<int> scriptedAnswers;
  std::vector<MessageBoxRecord> shown;
};

State& TheState();
void Post(std::function<void()> work, bool isInput);

// Runs queued work until `done()` holds; waits for work at most `poll` at a
// time, so `done` is tested at least that often. Input is served only by
// loops that take it (modal runs, message boxes), not by waits.
void ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds poll, bool serveInput);

}  // namespace fake
}  // namespace ui
