// What tests can ask of the in-memory backend beyond the automation
// interface: message boxes answered from a script, a record of every message
// box shown, and the window manager's part in painting a minimised window.
#pragma once

#include <string>
#include <vector>

#include "ui/automation.h"

namespace ui::fake {

using MessageBoxRecord = automation::MessageBoxInfo;

// Answers for the next message boxes, in order; a box shown when the script
// is empty stays on screen until automation answers it.
void ScriptMessageBoxAnswers(std::vector<int> answers);

// Every message box shown since the last ClearRecords, scripted or not.
std::vector<MessageBoxRecord> MessageBoxesShown();

// Forgets the records and any unused scripted answers.
void ClearRecords();

// The system's icon size (SM_CXICON by SM_CYICON) of the fake desktop.
inline constexpr int kSystemIconSize = 32;

// From the driver thread, to the top-most window of this template, as the
// window manager would; false when no such window is open. Minimize gives
// the minimised window's client area this size (Windows gives it none).
bool Minimize(int templateId, int clientWidth, int clientHeight);
bool Restore(int templateId);
// Sends the window WM_PAINT and says what was painted, in order:
// "background behind the icon" (WM_ICONERASEBKGND with the paint's device
// context), "icon <id> at <x>,<y>", or "the platform's painting" when the
// dialog left it to the platform.
std::vector<std::string> Paint(int templateId);
// Sends WM_QUERYDRAGICON: the icon resource the dialog answers, 0 when it
// leaves it to the platform.
int QueryDragIcon(int templateId);

}  // namespace ui::fake
