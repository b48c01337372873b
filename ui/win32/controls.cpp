// Reading and changing the controls through the platform's own messages:
// texts, enabled states, checks (BM_SETCHECK, BM_GETCHECK), selections
// (CB_SETCURSEL, CB_GETCURSEL) and the focus.
#include "ui/backend.h"
#include "ui/win32/state.h"

namespace ui {

namespace win32 {

std::string TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::ToUtf8(text);
}

}  // namespace win32

namespace backend {

void SetControlText(Window* window, int id, std::string_view text) {
  // A drop-down list shows its selection and an icon its image: their text
  // is not theirs to change, as on the other platforms.
  const ControlTemplate* control = window->tmpl->Find(id);
  if (control->kind == ControlKind::DropDownList || control->kind == ControlKind::Icon) return;
  SetWindowTextW(window->Control(id), platform::ToUtf16(text).c_str());
}

std::string ControlText(Window* window, int id) {
  // A drop-down list's text is its selected entry's.
  return win32::TextOf(window->Control(id));
}

void EnableControl(Window* window, int id, bool enable) {
  // EnableWindow leaves no control focused when it disables the focused one.
  EnableWindow(window->Control(id), enable ? TRUE : FALSE);
}

bool IsControlEnabled(Window* window, int id) {
  return IsWindowEnabled(window->Control(id)) != FALSE;
}

void SetControlCheck(Window* window, int id, int check) {
  // A two-state button shows any non-zero state as checked.
  SendMessageW(window->Control(id), BM_SETCHECK, check != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int ControlCheck(Window* window, int id) {
  return SendMessageW(window->Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void SetComboSelection(Window* window, int id, int index) {
  const HWND combo = window->Control(id);
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  SendMessageW(combo, CB_SETCURSEL, index >= 0 && index < count ? index : -1, 0);
}

int ComboSelection(Window* window, int id) {
  const LRESULT selection = SendMessageW(window->Control(id), CB_GETCURSEL, 0, 0);
  return selection == CB_ERR ? -1 : static_cast<int>(selection);
}

int FocusedControl(Window* window) {
  // The dialog's child that holds the focus, or a window inside it.
  for (HWND focus = GetFocus(); focus != nullptr && focus != window->hwnd;
       focus = GetAncestor(focus, GA_PARENT)) {
    if (GetAncestor(focus, GA_PARENT) == window->hwnd) return GetDlgCtrlID(focus);
  }
  return 0;
}

void SetFocus(Window* window, int id) {
  // The dialog manager's way: the default button follows, and an edit box
  // selects its text, as when the Tab key gives it the focus.
  SendMessageW(window->hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window->Control(id)), TRUE);
}

}  // namespace backend
}  // namespace ui
