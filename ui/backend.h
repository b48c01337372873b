// What each backend (ui/fake, ui/qt, ui/win32) supplies to the portable part
// of the dialog framework. One backend is linked into each program.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "res/templates.h"

class CDialog;

namespace ui {
struct Window;
}

namespace ui::backend {

// Builds the window and its controls from the template, not yet shown.
// `owner` is the window that the dialog blocks while it runs, or null.
Window* CreateDialogWindow(CDialog& dialog, const res::DialogTemplate& dialogTemplate,
                           Window* owner);
// Calls dialog.HandleInitDialog(), shows the window (as on Windows, the
// dialog initialises itself before it is seen), then serves input and
// UI-thread work until EndModal; returns its result.
int RunModal(Window* window);
void EndModal(Window* window, int result);
// Drops work still posted to the window.
void DestroyDialogWindow(Window* window);

void SetControlText(Window* window, int id, std::string_view text);
std::string ControlText(Window* window, int id);
void EnableControl(Window* window, int id, bool enable);
bool IsControlEnabled(Window* window, int id);
void SetControlCheck(Window* window, int id, int check);
int ControlCheck(Window* window, int id);
void SetComboSelection(Window* window, int id, int index);
int ComboSelection(Window* window, int id);

bool HasSystemMenu(Window* window);
void AppendSystemMenuSeparator(Window* window);
void AppendSystemMenuItem(Window* window, unsigned command, std::string_view text);
// The platform's own handling of a system command (Close ends with IDCANCEL).
void DefaultSysCommand(Window* window, unsigned command);
void SetWindowIcon(Window* window, int iconResourceId, bool bigIcon);

// `owner` may be null. Returns the answer (kIdOk, kIdYes, kIdNo).
int ShowMessageBox(Window* owner, std::string_view text, std::string_view caption, unsigned flags);

// Makes the calling thread the UI thread, creating what the toolkit needs
// (argc and argv may be the program's, for toolkit options).
void BeginUiThread(int& argc, char** argv);
// Drops work still queued for the UI thread once the program has ended.
void EndUiThread();
bool IsUiThread();
void PostToUiThread(std::function<void()> work);
// Dropped if the window is destroyed before the UI thread runs it.
void PostToWindow(Window* window, std::function<void()> work);
void PumpWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll);

}  // namespace ui::backend
