// What the framework's files share of its modal runs: the dialogs that run,
// the message boxes open, and the close request that waits for both. UI
// thread only.
#pragma once

#include <string_view>
#include <vector>

class CDialog;

namespace ui {

// The dialogs running modally, innermost last: CDialog::DoModal keeps it.
std::vector<CDialog*>& RunningDialogs();

// Every message box of the framework: modal to `owner`, or to the active
// dialog when the caller names none, so that the running dialog takes no
// input while the box is up.
int ShowMessageBox(CDialog* owner, std::string_view text, std::string_view caption, unsigned flags);
// Whether one of those is up.
bool MessageBoxOpen();

}  // namespace ui

// One step toward a close request (ui/dialog.cpp), taken again whenever a
// modal run or a message box has ended.
void CloseTowardRequest();
