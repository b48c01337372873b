// Input to the windows as the platform delivers it: mouse and key messages
// through the message loop's delivery, where the dialog manager (IsDialogMessage) and
// the controls' own handling decide what happens; BM_CLICK as assistive
// technology sends it.
#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_manager.h"
#include "ui/win32/state.h"

namespace ui {

namespace {

using enum ControlKind;

// Input as the message loop would take it from the queue, handed to the
// loop's own delivery at once: to the dialog manager, else to the window.
// Not posted: the input is done when the automation call that made it
// returns, as an operator's click is before the next one.
void DeliverInput(Window* window, HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG input{target, message, wParam, lParam, GetTickCount(), {}};
  GetCursorPos(&input.pt);
  win32::Deliver(*window, input);
}

// A key pressed and released, to the window with the focus.
void PressKey(Window* window, UINT key) {
  HWND focus = GetFocus();
  if (focus == nullptr || (focus != window->hwnd && !IsChild(window->hwnd, focus)))
    focus = window->hwnd;
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
  DeliverInput(window, focus, WM_KEYDOWN, key, scan | 1);
  DeliverInput(window, focus, WM_KEYUP, key, scan | 1 | (LPARAM{3} << 30));
}

// A left-button click in the middle of the control.
void Click(Window* window, HWND control) {
  RECT rect;
  GetClientRect(control, &rect);
  const LPARAM at = MAKELPARAM((rect.right - rect.left) / 2, (rect.bottom - rect.top) / 2);
  DeliverInput(window, control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  if (IsWindow(control)) DeliverInput(window, control, WM_LBUTTONUP, 0, at);
}

}  // namespace

namespace backend {

Window* TopWindow() {
  const auto& screen = win32::TheState().screen;
  if (screen.empty() || screen.back().window == nullptr) return nullptr;
  Window* top = screen.back().window;
  return !top->ended && IsWindowEnabled(top->hwnd) ? top : nullptr;
}

std::string WindowCaption(Window* window) {
  return win32::TextOf(window->hwnd);
}

std::string ControlAccessibleName(Window* window, int controlId) {
  return win32::AccessibleNameOf(window->Control(controlId));
}

std::pair<int, int> WindowIcons(Window* window) {
  // Only what the window really shows counts.
  const auto shown = [window](int id, WPARAM which, int size) {
    const IconResource* icon = CWinApp::Current()->resources().FindIcon(id);
    const auto handle = reinterpret_cast<HICON>(SendMessageW(window->hwnd, WM_GETICON, which, 0));
    return icon != nullptr && handle != nullptr && handle == win32::IconOf(*icon, size) ? id : 0;
  };
  return {shown(window->bigIcon, ICON_BIG, GetSystemMetrics(SM_CXICON)),
          shown(window->smallIcon, ICON_SMALL, GetSystemMetrics(SM_CXSMICON))};
}

void SimulateClick(Window* window, int controlId) {
  const ControlTemplate* control = window->tmpl->Find(controlId);
  const HWND hwnd = window->Control(controlId);
  if (IsButton(control->kind) || control->kind == Edit)
    Click(window, hwnd);
  else if (control->kind == DropDownList)
    SetFocus(window, controlId);  // a click would open the list
}

void SimulateActivate(Window* window, int controlId) {
  // What MSAA's default action and UI Automation's Invoke and Toggle send a
  // button of the platform: BM_CLICK, whose click the button reports.
  if (IsButton(window->tmpl->Find(controlId)->kind))
    SendMessageW(window->Control(controlId), BM_CLICK, 0, 0);
}

void SimulateTyping(Window* window, int controlId, std::string_view text) {
  const HWND edit = window->Control(controlId);
  if (window->tmpl->Find(controlId)->kind != Edit || !IsWindowEnabled(edit)) return;
  // Click into the box, select what is there, and type over it.
  Click(window, edit);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  const std::wstring typed = platform::ToUtf16(text);
  if (typed.empty()) DeliverInput(window, edit, WM_CHAR, VK_BACK, 1);
  for (wchar_t c : typed) DeliverInput(window, edit, WM_CHAR, c, 1);
}

void SimulateSelect(Window* window, int controlId, int index) {
  if (window->tmpl->Find(controlId)->kind != DropDownList ||
      !IsWindowEnabled(window->Control(controlId)))
    return;
  SetFocus(window, controlId);
  SetComboSelection(window, controlId, index);
}

void SimulateKey(Window* window, Key key) {
  switch (key) {
    case Key::Enter:
      return PressKey(window, VK_RETURN);
    case Key::Escape:
      return PressKey(window, VK_ESCAPE);
    case Key::Tab:
      return PressKey(window, VK_TAB);
    case Key::ShiftTab:
      // What the dialog manager does with Shift+Tab; a posted key carries no
      // Shift.
      SendMessageW(window->hwnd, WM_NEXTDLGCTL, 1, FALSE);
      return;
  }
}

void SimulateCloseBox(Window* window) {
  // What DefWindowProc makes of a click on the close box.
  DeliverInput(window, window->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void SimulateCloseRequest(Window* window) {
  // As End task and taskkill without /F do.
  PostMessageW(window->hwnd, WM_CLOSE, 0, 0);
}

void SimulateEndSession() {
  // As the system asks every top-level window, then tells it.
  const std::vector<Window*> windows = OpenWindows();
  for (Window* window : windows)
    SendMessageW(window->hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
  for (Window* window : windows) SendMessageW(window->hwnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
}

void SimulateSystemCommand(Window* window, unsigned command) {
  // What the system menu sends for an item chosen.
  DeliverInput(window, window->hwnd, WM_SYSCOMMAND, command, 0);
}

std::vector<automation::MenuItem> AppendedSystemMenu(Window* window) {
  std::vector<automation::MenuItem> items;
  const HMENU menu = GetSystemMenu(window->hwnd, FALSE);
  if (menu == nullptr) return items;
  const int count = GetMenuItemCount(menu);
  for (int i = window->systemMenuFixedItems; i < count; ++i) {
    wchar_t text[256] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 255;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
    if ((item.fType & MFT_SEPARATOR) != 0)
      items.push_back({0, ""});
    else
      items.push_back({item.wID, platform::ToUtf8(text)});
  }
  return items;
}

std::optional<automation::MessageBoxInfo> TopMessageBox() {
  const auto& screen = win32::TheState().screen;
  if (screen.empty() || screen.back().box == nullptr) return std::nullopt;
  if (win32::MessageBoxWindow() == nullptr) return std::nullopt;
  return screen.back().box->info;
}

void AnswerTopMessageBox(int answer) {
  const auto& screen = win32::TheState().screen;
  if (screen.empty() || screen.back().box == nullptr) return;
  // The box's buttons have the answers' IDs; pressed as the operator would.
  if (HWND box = win32::MessageBoxWindow()) SendMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
}

void AbortAll() {
  for (const win32::OnScreen& s : win32::TheState().screen) {
    if (s.window != nullptr && !s.window->ended) EndModal(s.window, IDCANCEL);
    if (s.box != nullptr) {
      if (HWND box = win32::MessageBoxWindow())
        PostMessageW(box, WM_COMMAND, DismissedAnswer(s.box->info.flags), 0);
    }
  }
}

}  // namespace backend
}  // namespace ui
