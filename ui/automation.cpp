#include "ui/automation.h"

#include <atomic>
#include <future>
#include <memory>
#include <thread>

#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/input.h"
#include "ui/ui_thread.h"
#include "ui/window.h"

namespace ui::automation {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> programRunning{false};

// Runs `query` on the UI thread and returns its result, or `fallback` when
// the UI thread does not get to it in time (it is blocked: a test failure,
// not a hang) or the program has ended.
template <class T>
T OnUiThread(std::function<T()> query, T fallback, std::chrono::milliseconds timeout = kTimeout) {
  if (!programRunning.load()) return fallback;
  auto promise = std::make_shared<std::promise<T>>();
  auto future = promise->get_future();
  backend::PostToUiThread([promise, query = std::move(query)] { promise->set_value(query()); });
  // In slices: a program that has ended serves no more queries.
  const auto deadline = Clock::now() + timeout;
  while (future.wait_for(10ms) != std::future_status::ready) {
    if (!programRunning.load() || Clock::now() >= deadline) return fallback;
  }
  return future.get();
}

inline constexpr int kWholeWindow = 0;

// Delivers input to the window of this template if it is the one taking
// input (and, for a control, if the control is enabled). The input itself is
// posted, so that an action that opens a modal window or waits does not hold
// up the driver.
bool Deliver(int templateId, int controlId, std::function<void(Window*)> input) {
  return OnUiThread<bool>(
      [=] {
        Window* top = backend::TopWindow();
        if (top == nullptr || TemplateOf(top) != templateId) return false;
        if (controlId != kWholeWindow && !backend::IsControlEnabled(top, controlId)) return false;
        QueueInput([templateId, input] {
          // Served later: the input goes to whatever window of the template
          // is on top by then, as the operator's click would.
          Window* now = backend::TopWindow();
          if (now != nullptr && TemplateOf(now) == templateId) input(now);
        });
        return true;
      },
      false);
}

template <class T>
T QueryControl(int templateId, T fallback, std::function<T(Window*)> query) {
  return OnUiThread<T>(
      [=] {
        Window* window = FindWindow(templateId);
        return window != nullptr ? query(window) : fallback;
      },
      fallback);
}

}  // namespace

void RunScenario(const std::function<void()>& program, const std::function<void()>& driver) {
  static int argc = 1;
  static char name[] = "tarnwick-test";
  static char* argv[] = {name, nullptr};
  RunAsUiThread(argc, argv, [&] {
    programRunning = true;
    std::thread driverThread([&] {
      driver();
      // Whatever the driver left open is closed, so the program can end.
      while (programRunning.load()) {
        backend::PostToUiThread(backend::AbortAll);
        std::this_thread::sleep_for(20ms);
      }
    });
    program();
    programRunning = false;
    driverThread.join();
  });
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!condition()) {
    if (Clock::now() >= deadline || !programRunning.load()) return condition();
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

bool WaitForWindow(int templateId, std::chrono::milliseconds timeout) {
  return WaitUntil(
      [templateId] {
        return OnUiThread<bool>(
            [templateId] {
              Window* top = backend::TopWindow();
              return top != nullptr && TemplateOf(top) == templateId;
            },
            false);
      },
      timeout);
}

bool WaitForNoWindow(int templateId, std::chrono::milliseconds timeout) {
  return WaitUntil(
      [templateId] {
        return OnUiThread<bool>([templateId] { return FindWindow(templateId) == nullptr; },
                                !programRunning.load());
      },
      timeout);
}

bool Click(int templateId, int controlId) {
  return Deliver(templateId, controlId,
                 [controlId](Window* w) { backend::SimulateClick(w, controlId); });
}

bool Activate(int templateId, int controlId) {
  return Deliver(templateId, controlId,
                 [controlId](Window* w) { backend::SimulateActivate(w, controlId); });
}

bool Type(int templateId, int controlId, std::string_view text) {
  return Deliver(templateId, controlId, [controlId, text = std::string(text)](Window* w) {
    backend::SimulateTyping(w, controlId, text);
  });
}

bool Select(int templateId, int controlId, int index) {
  return Deliver(templateId, controlId,
                 [controlId, index](Window* w) { backend::SimulateSelect(w, controlId, index); });
}

bool PressEnter(int templateId) {
  return Deliver(templateId, kWholeWindow, [](Window* w) { backend::SimulateKey(w, Key::Enter); });
}

bool PressEscape(int templateId) {
  return Deliver(templateId, kWholeWindow, [](Window* w) { backend::SimulateKey(w, Key::Escape); });
}

bool PressTab(int templateId) {
  return Deliver(templateId, kWholeWindow, [](Window* w) { backend::SimulateKey(w, Key::Tab); });
}

bool PressCloseBox(int templateId) {
  return Deliver(templateId, kWholeWindow, [](Window* w) { backend::SimulateCloseBox(w); });
}

bool RequestClose(int templateId) {
  return OnUiThread<bool>(
      [templateId] {
        if (FindWindow(templateId) == nullptr) return false;
        QueueInput([templateId] {
          if (Window* window = FindWindow(templateId)) backend::SimulateCloseRequest(window);
        });
        return true;
      },
      false);
}

bool EndSession() {
  return OnUiThread<bool>(
      [] {
        backend::SimulateEndSession();
        return true;
      },
      false);
}

bool SystemCommand(int templateId, unsigned command) {
  return Deliver(templateId, kWholeWindow,
                 [command](Window* w) { backend::SimulateSystemCommand(w, command); });
}

std::vector<MenuItem> SystemMenuItems(int templateId) {
  return QueryControl<std::vector<MenuItem>>(templateId, {}, backend::AppendedSystemMenu);
}

std::string Text(int templateId, int controlId) {
  return QueryControl<std::string>(
      templateId, "", [controlId](Window* w) { return backend::ControlText(w, controlId); });
}

bool IsEnabled(int templateId, int controlId) {
  return QueryControl<bool>(templateId, false, [controlId](Window* w) {
    return backend::IsControlEnabled(w, controlId);
  });
}

int CheckState(int templateId, int controlId) {
  return QueryControl<int>(templateId, -1,
                           [controlId](Window* w) { return backend::ControlCheck(w, controlId); });
}

int Selection(int templateId, int controlId) {
  return QueryControl<int>(
      templateId, -2, [controlId](Window* w) { return backend::ComboSelection(w, controlId); });
}

std::string AccessibleName(int templateId, int controlId) {
  return QueryControl<std::string>(templateId, "", [controlId](Window* w) {
    return backend::ControlAccessibleName(w, controlId);
  });
}

std::string Caption(int templateId) {
  return QueryControl<std::string>(templateId, "", backend::WindowCaption);
}

std::pair<int, int> WindowIcons(int templateId) {
  return QueryControl<std::pair<int, int>>(templateId, {0, 0}, backend::WindowIcons);
}

std::optional<MessageBoxInfo> WaitForMessageBox(std::chrono::milliseconds timeout) {
  std::optional<MessageBoxInfo> box;
  WaitUntil(
      [&] {
        // Handed over as a pointer: GCC 12 takes the copy of an empty
        // std::optional of this record for a read of uninitialised memory
        // (-Wmaybe-uninitialized, at -O2).
        const auto top = OnUiThread<std::shared_ptr<const MessageBoxInfo>>(
            [] {
              std::optional<MessageBoxInfo> top = backend::TopMessageBox();
              return top ? std::make_shared<const MessageBoxInfo>(std::move(*top)) : nullptr;
            },
            nullptr);
        if (top != nullptr) box.emplace(*top);
        return top != nullptr;
      },
      timeout);
  return box;
}

bool AnswerMessageBox(int answer) {
  return OnUiThread<bool>(
      [answer] {
        if (!backend::TopMessageBox()) return false;
        QueueInput([answer] { backend::AnswerTopMessageBox(answer); });
        return true;
      },
      false);
}

}  // namespace ui::automation
