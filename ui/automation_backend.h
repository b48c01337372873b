// What each backend supplies to ui/automation: finding its windows and
// delivering input to them as the platform would. Called on the UI thread.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/automation.h"

namespace ui {
struct Window;
}

namespace ui::backend {

enum class Key { Enter, Escape, Tab };

// Queues the operator's input (a click, a key, an answer to a message box):
// served by modal runs and message boxes, held back while the UI thread
// waits in PumpWhile, as a platform holds back clicks during such a wait.
void PostInput(std::function<void()> input);

// The window taking input; null when none is, or a message box is on top.
Window* TopWindow();
// The top-most open window built from this template, or null.
Window* FindWindow(int templateId);
int TemplateOf(Window* window);
std::string WindowCaption(Window* window);
std::pair<int, int> WindowIcons(Window* window);  // {big, small}

void SimulateClick(Window* window, int controlId);
void SimulateTyping(Window* window, int controlId, std::string_view text);
void SimulateSelect(Window* window, int controlId, int index);
void SimulateKey(Window* window, Key key);
void SimulateCloseBox(Window* window);
void SimulateSystemCommand(Window* window, unsigned command);
std::vector<automation::MenuItem> AppendedSystemMenu(Window* window);

// The message box on top, if one is.
std::optional<automation::MessageBoxInfo> TopMessageBox();
void AnswerTopMessageBox(int answer);

// Ends every modal run as cancelled and answers every message box.
void AbortAll();

}  // namespace ui::backend
