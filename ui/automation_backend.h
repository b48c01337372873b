// What each backend supplies to ui/automation (its automation.cpp): finding
// its windows and delivering input to them as the platform would, so that
// the platform's own handling decides what happens. Called on the UI thread,
// the Simulate calls from ui::QueueInput's queue.
#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/automation.h"
#include "ui/dialog_manager.h"

namespace ui {
struct Window;
}

namespace ui::backend {

// The window taking input; null when none is, or a message box is on top.
Window* TopWindow();
std::string WindowCaption(Window* window);
std::string ControlAccessibleName(Window* window, int controlId);
std::pair<int, int> WindowIcons(Window* window);  // {big, small}

void SimulateClick(Window* window, int controlId);
void SimulateTyping(Window* window, int controlId, std::string_view text);
void SimulateSelect(Window* window, int controlId, int index);
// Enter, Escape, Tab (not Shift+Tab) as pressed on the keyboard.
void SimulateKey(Window* window, Key key);
// The control's default action as assistive technology invokes it (Qt's
// QAccessibleActionInterface, UI Automation's Invoke or Toggle).
void SimulateActivate(Window* window, int controlId);
void SimulateCloseBox(Window* window);
// What the desktop sends a window to close it, blocked or not.
void SimulateCloseRequest(Window* window);
// What the desktop sends the program's windows when the session ends.
void SimulateEndSession();
void SimulateSystemCommand(Window* window, unsigned command);
std::vector<automation::MenuItem> AppendedSystemMenu(Window* window);

// The message box on top, if one is.
std::optional<automation::MessageBoxInfo> TopMessageBox();
void AnswerTopMessageBox(int answer);

// Ends every modal run as cancelled and answers every message box.
void AbortAll();

}  // namespace ui::backend
