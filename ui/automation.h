// Driving the program's windows as an operator would, from a thread other
// than the UI thread: the interface that every backend offers to the
// conformance suite and to tests. Actions go to the window that takes input
// (the top modal window); a window blocked by a modal dialog, a disabled or
// missing control, refuses them and the call returns false.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ui::automation {

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds kTimeout = 10s;

// Runs `program` on the calling thread, which becomes the UI thread, and
// `driver` on a thread of its own. When the driver returns, windows still
// open are ended as cancelled and message boxes answered, so the program
// ends too; returns when both have.
void RunScenario(const std::function<void()>& program, const std::function<void()>& driver);

// Waits until the window taking input was built from this template.
bool WaitForWindow(int templateId, std::chrono::milliseconds timeout = kTimeout);
// Waits until no window of this template is open.
bool WaitForNoWindow(int templateId, std::chrono::milliseconds timeout = kTimeout);
// Polls `condition` (on the driver thread) until it holds.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = kTimeout);

bool Click(int templateId, int controlId);
// The control's default action, as a screen reader invokes it for the
// operator (Press or Toggle), not the mouse.
bool Activate(int templateId, int controlId);
bool Type(int templateId, int controlId, std::string_view text);
bool Select(int templateId, int controlId, int index);
bool PressEnter(int templateId);
bool PressEscape(int templateId);
// Moves the focus to the next enabled tab stop, as the Tab key does.
bool PressTab(int templateId);
bool PressCloseBox(int templateId);
// A request to close the window, as the desktop sends it to a program's
// main window (End task, taskkill): delivered also while a modal window
// blocks this one.
bool RequestClose(int templateId);
// The session ends (log-off, shut-down), as the desktop tells every
// top-level window of the program; returns once they have been told.
bool EndSession();
// Sends a system command as the system menu would (any value, listed or not).
bool SystemCommand(int templateId, unsigned command);

struct MenuItem {
  unsigned command;  // 0 for a separator
  std::string text;
};
// The items the program appended to the window's system menu.
std::vector<MenuItem> SystemMenuItems(int templateId);

// The state of a control of the top-most open window of this template.
std::string Text(int templateId, int controlId);
bool IsEnabled(int templateId, int controlId);
int CheckState(int templateId, int controlId);
int Selection(int templateId, int controlId);
std::string Caption(int templateId);
// The name a screen reader reads for the control, asked of the platform's
// accessibility interface (on Windows MSAA's accName of the control's
// object, on Qt QAccessibleInterface's Name).
std::string AccessibleName(int templateId, int controlId);
// The icon resources set as the window's big and small icon, as the window
// shows them; 0 where none is.
std::pair<int, int> WindowIcons(int templateId);

struct MessageBoxInfo {
  std::string text;
  std::string caption;
  unsigned flags = 0;
  int ownerTemplate = 0;  // 0 when owned by no window
  bool operator==(const MessageBoxInfo&) const = default;
};
std::optional<MessageBoxInfo> WaitForMessageBox(std::chrono::milliseconds timeout = kTimeout);
// Presses the box's button: kIdOk, kIdYes or kIdNo.
bool AnswerMessageBox(int answer);

}  // namespace ui::automation
