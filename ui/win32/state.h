// The Win32 backend's model: each dialog a window of the platform's dialog
// manager, built from an in-memory template; the windows and message boxes
// that are open, and what the backend's files share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The framework's headers before windows.h, whose macros would rename their
// members (see ui/backend.h).
// clang-format off
#include "platform/win32/text_encoding.h"
#include "ui/automation.h"
#include "ui/backend.h"
#include "ui/resources.h"
#include "ui/window.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// clang-format on

// windows.h's FindWindow macro would rename ui::FindWindow.
#undef FindWindow

class CDialog;

namespace ui {

struct Window : WindowRecord {
  HWND hwnd = nullptr;
  int systemMenuFixedItems = 0;  // the menu's own items, before the appended ones

  HWND Control(int id) const;
};

namespace win32 {

// ---- layout.cpp

// The template as the dialog manager takes it: a DLGTEMPLATEEX with the
// template's font, styles, tab stops, groups and default button. The same
// bytes as the template compiled from the program's resource script.
std::vector<BYTE> DialogTemplateBytes(const DialogTemplate& dialogTemplate);
// What the in-memory template cannot hold: the lists' entries and the icon
// controls' images.
void FillControls(Window& window);

// ---- accessibility.cpp

// Gives the edit boxes and lists their labels' names for screen readers.
void NameControls(Window& window);
// The name a screen reader reads for the control (MSAA's accName).
std::string AccessibleNameOf(HWND control);

// ---- controls.cpp

// The text of a window, as UTF-8.
std::string TextOf(HWND window);

// ---- icons.cpp

// An image of the icon resource `size` pixels square, made once per UI
// thread; null when the resource has no image.
HICON IconOf(const IconResource& icon, int size);
void DestroyIcons();

// ---- ui_thread.cpp

// A message box of the platform that the framework has open.
struct OpenMessageBox {
  automation::MessageBoxInfo info;
};
// A modal run or a message box, as the operator sees them stacked.
struct OnScreen {
  Window* window = nullptr;  // one of the two
  OpenMessageBox* box = nullptr;
};
struct State {
  // All touched on the UI thread only.
  std::vector<OnScreen> screen;  // modal runs and message boxes, innermost last
};
State& TheState();

// ---- dialog_window.cpp

// What the message loop of a modal run does with a message it took: the
// dialog manager takes the keyboard (IsDialogMessage), the rest is
// dispatched.
void Deliver(Window& window, MSG& message);

// ---- paint.cpp

// The WM_PAINT of a window, for the dialog to paint its minimised icon.
class Paint final : public backend::MinimizedPaint {
 public:
  explicit Paint(HWND hwnd) : hwnd_(hwnd) {}
  backend::Size ClientSize() const override;
  backend::Size IconSize() const override;
  void PaintIcon(int x, int y, const IconResource& icon) override;

 private:
  HWND hwnd_;
};

// ---- message_box.cpp

// The platform's window of the message box on top; null if none is open.
HWND MessageBoxWindow();

}  // namespace win32
}  // namespace ui
