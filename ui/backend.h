// What a backend (ui/fake, ui/qt, ui/win32) supplies to the portable part of
// the dialog framework: only what its platform draws and delivers. One
// backend is linked into each program.
//
// The portable part does the rest, once for every platform:
//  - CDialog (ui/dialog.h): templates found by ID, message maps, IDOK and
//    IDCANCEL, reading numbers, the owner of a message box (the dialog named,
//    else the active one), work posted to a window dropped once it has
//    closed;
//  - the dialog manager (ui/dialog_manager.h): the backend calls it for the
//    input its platform delivers and leaves out what its platform already
//    does (Win32's IsDialogMessage);
//  - input held back during PumpWhile (ui/input.h).
//
// How a backend delivers to a dialog (`CDialog&`, all on the UI thread):
//  - the window is initialised: dialog.HandleInitDialog(); when it returns
//    true, the first tab stop takes the focus (ui::FocusFirstTabStop, or the
//    platform's dialog manager);
//  - any activation of a button, whatever its way: ui::ClickButton. The
//    platform's radio buttons and check boxes must report the click without
//    changing their own check (on Win32 BS_RADIOBUTTON and BS_CHECKBOX, not
//    the automatic kinds; on Qt a button whose nextCheckState does nothing);
//  - Enter, Escape, Tab, Shift+Tab: ui::PressKey, or the platform's dialog
//    manager, which sends the commands itself: dialog.HandleCommand(id);
//  - the close box: ui::PressCloseBox; an item of the system menu:
//    ui::SystemCommand. Or, where the platform makes both system commands
//    (Win32's WM_SYSCOMMAND), dialog.HandleSysCommand and, when it returns
//    false, the platform's own default (DefWindowProc);
//  - a paint: dialog.HandlePaint(paint), with the backend's MinimizedPaint,
//    which returns false when the platform is to paint the window itself;
//    the drag-icon query: dialog.HandleQueryDragIcon() (no icon: the
//    platform's default). Qt never asks for either, the fake's platform
//    only when a test does (fake_ui.h).
//
// Files, the same names in every backend folder where the job is the same:
// dialog_window.cpp (windows and modal runs), layout.cpp (controls built at
// their template rectangles), controls.cpp, accessibility.cpp,
// system_menu.cpp, icons.cpp, paint.cpp, message_box.cpp, ui_thread.cpp,
// automation.cpp (ui/automation_backend.h), state.h (the backend's model: its
// Window, a ui::WindowRecord with the platform's handles).
//
// windows.h makes macros of MessageBox, SendMessage, LoadIcon, GetWindowText
// and SetWindowText, which rename the framework's members of those names in
// whatever follows it: a source that includes it includes the framework's
// headers first and calls none of those members.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/automation.h"
#include "ui/resources.h"

class CDialog;

namespace ui {
struct Window;  // the backend's own, a WindowRecord (ui/window.h) and more
}  // namespace ui

namespace ui::backend {

struct Size {
  int width;
  int height;
};

// ---- Windows and modal runs (dialog_window.cpp)

// Builds the window and its controls from the template, not yet shown.
// `owner` is the window that the dialog blocks while it runs, or null.
Window* CreateDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate, Window* owner);
// Initialises the dialog (see above) before the window is seen, then shows
// it, keeps its owner from taking input, and serves input and UI-thread work
// until EndModal; returns EndModal's result. A dialog that ends itself in its
// initialisation is never shown. Nested runs and PumpWhile serve the same
// queue of work.
int RunModal(Window* window);
void EndModal(Window* window, int result);
void DestroyDialogWindow(Window* window);

// ---- Controls, by ID (controls.cpp)

void SetControlText(Window* window, int id, std::string_view text);
std::string ControlText(Window* window, int id);
void EnableControl(Window* window, int id, bool enable);
bool IsControlEnabled(Window* window, int id);
// Radio buttons and check boxes: 0 or 1 (any non-zero check shows as 1).
void SetControlCheck(Window* window, int id, int check);
int ControlCheck(Window* window, int id);
// Drop-down lists: -1 for no selection.
void SetComboSelection(Window* window, int id, int index);
int ComboSelection(Window* window, int id);
// The control with the keyboard focus; 0 when none has it.
int FocusedControl(Window* window);
void SetFocus(Window* window, int id);

// ---- The system menu (system_menu.cpp)

bool HasSystemMenu(Window* window);
void AppendSystemMenuSeparator(Window* window);
void AppendSystemMenuItem(Window* window, unsigned command, std::string_view text);

// ---- Icons (icons.cpp)

void SetWindowIcon(Window* window, const IconResource& icon, bool bigIcon);

// ---- Painting (paint.cpp)

bool IsMinimized(Window* window);

// A paint that the platform asks of a dialog (dialog.HandlePaint), from a
// backend whose platform leaves a minimised window's icon to the window
// (Win32's WM_PAINT); one whose platform draws it itself has none.
class MinimizedPaint {
 public:
  // The client area and the system's icon size (SM_CXICON by SM_CYICON), in
  // pixels.
  virtual Size ClientSize() const = 0;
  virtual Size IconSize() const = 0;
  // Paints the window: the background behind the icon (WM_ICONERASEBKGND on
  // the paint's device context), then the icon at (x, y), at the system's
  // icon size.
  virtual void PaintIcon(int x, int y, const IconResource& icon) = 0;

 protected:
  ~MinimizedPaint() = default;
};

// ---- Message boxes (message_box.cpp)

// The platform's box with the buttons and icon of `box.flags`, modal to
// `owner` (null: owned by no window). Returns the answer (kIdOk, kIdYes,
// kIdNo).
int ShowMessageBox(Window* owner, const automation::MessageBoxInfo& box);

// ---- The UI thread (ui_thread.cpp)

// Makes the calling thread the UI thread, creating what the toolkit needs.
void BeginUiThread(int& argc, char** argv);
// Drops work still queued for the UI thread once the program has ended.
void EndUiThread();
bool IsUiThread();
// From any thread; the work runs in every loop of the UI thread (modal runs,
// message boxes, waits), in the order posted.
void PostToUiThread(std::function<void()> work);
// PumpWhile's wait: serves posted work, but not the operator's input, until
// busy() is false, testing it at least every `poll`.
void ServeWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll);

}  // namespace ui::backend
