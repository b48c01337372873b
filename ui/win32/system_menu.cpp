// The window's own system menu (GetSystemMenu), with the program's items
// appended to it (AppendMenu); choosing one sends WM_SYSCOMMAND.
#include "ui/backend.h"
#include "ui/win32/state.h"

namespace ui::backend {

bool HasSystemMenu(Window* window) {
  return (GetWindowLongW(window->hwnd, GWL_STYLE) & WS_SYSMENU) != 0 &&
         GetSystemMenu(window->hwnd, FALSE) != nullptr;
}

void AppendSystemMenuSeparator(Window* window) {
  AppendMenuW(GetSystemMenu(window->hwnd, FALSE), MF_SEPARATOR, 0, nullptr);
}

void AppendSystemMenuItem(Window* window, unsigned command, std::string_view text) {
  AppendMenuW(GetSystemMenu(window->hwnd, FALSE), MF_STRING, command,
              platform::ToUtf16(text).c_str());
}

}  // namespace ui::backend
