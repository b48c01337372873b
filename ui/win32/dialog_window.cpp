// Dialogs as the classic framework runs them: the platform's dialog manager
// builds the window from the in-memory template, and a modal run disables
// the owner and runs its own message loop with IsDialogMessage until
// EndModal; nested runs and PumpWhile serve the same queue.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_manager.h"
#include "ui/win32/state.h"

namespace ui {

HWND Window::Control(int id) const {
  return GetDlgItem(hwnd, id);
}

namespace win32 {

namespace {

Window* WindowOf(HWND hwnd) {
  return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, DWLP_USER));
}

// What the platform delivers, handed to the dialog. A TRUE result is the
// dialog's answer; FALSE leaves the message to the platform (DefDlgProc).
INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    // The dialog initialises itself later, in RunModal, once the framework
    // knows the window is open; the focus is set then too.
    auto* window = reinterpret_cast<Window*>(lParam);
    window->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    return FALSE;
  }
  Window* window = WindowOf(hwnd);
  if (window == nullptr) return FALSE;  // before WM_INITDIALOG
  CDialog& dialog = *window->dialog;
  switch (message) {
    case WM_COMMAND: {
      // Clicks of buttons, and the commands the dialog manager makes of
      // Enter, Escape and the close box; the edit boxes' and lists'
      // notifications have no listener.
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      const int id = LOWORD(wParam);
      const ControlTemplate* control = window->tmpl->Find(id);
      if (control != nullptr && IsButton(control->kind))
        ClickButton(dialog, id);
      else
        dialog.HandleCommand(id);
      return TRUE;
    }
    case WM_SYSCOMMAND:
      // Unhandled: DefWindowProc moves, minimises and closes the window.
      return dialog.HandleSysCommand(static_cast<unsigned>(wParam)) ? TRUE : FALSE;
    case WM_CLOSE:
      // The close box comes here too (DefWindowProc's SC_CLOSE), and so do
      // End task and taskkill while a modal window runs above this one.
      dialog.HandleCloseRequest();
      return TRUE;
    case WM_QUERYENDSESSION:
      // Nothing to ask: the log-off goes ahead, and WM_ENDSESSION ends the
      // capture and takes the adapter off line.
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE) CDialog::HandleEndSession();
      return TRUE;
    case WM_PAINT: {
      Paint paint(hwnd);
      return dialog.HandlePaint(paint) ? TRUE : FALSE;
    }
    case WM_QUERYDRAGICON: {
      // One of the messages whose answer a dialog procedure returns itself.
      const IconHandle icon = dialog.HandleQueryDragIcon();
      const IconResource* resource = CWinApp::Current()->resources().FindIcon(icon.resourceId);
      if (resource == nullptr) return FALSE;
      return reinterpret_cast<INT_PTR>(IconOf(*resource, GetSystemMetrics(SM_CXICON)));
    }
    default:
      return FALSE;
  }
}

bool IsArrowKey(WPARAM key) {
  return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

}  // namespace

void Deliver(Window& window, MSG& message) {
  const HWND focusBefore = GetFocus();
  if (!IsDialogMessageW(window.hwnd, &message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  const HWND focus = GetFocus();
  if (focus == focusBefore || focus == nullptr || GetParent(focus) != window.hwnd) return;
  if (message.message == WM_LBUTTONDOWN) {
    // A push button that the mouse gave the focus becomes the default one,
    // as when the Tab key gives it: Enter then presses it.
    if ((SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON) != 0)
      SendMessageW(window.hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus), TRUE);
  } else if (message.message == WM_KEYDOWN && IsArrowKey(message.wParam)) {
    // An arrow key moves the focus within a group of radio buttons; to an
    // automatic one, it also clicks it, as Windows does for its automatic
    // kind (ours are the plain kind, see layout.cpp).
    const ControlTemplate* control = window.tmpl->Find(GetDlgCtrlID(focus));
    if (control != nullptr && control->kind == ControlKind::AutoRadioButton &&
        SendMessageW(focus, BM_GETCHECK, 0, 0) != BST_CHECKED) {
      ClickButton(*window.dialog, control->id);
    }
  }
}

}  // namespace win32

namespace backend {

Window* CreateDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate, Window* owner) {
  auto* window = new Window{{.dialog = &dialog, .tmpl = &dialogTemplate, .owner = owner}};
  const std::vector<BYTE> bytes = win32::DialogTemplateBytes(dialogTemplate);
  CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                             reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                             owner != nullptr ? owner->hwnd : nullptr, win32::DialogProc,
                             reinterpret_cast<LPARAM>(window));
  if (window->hwnd == nullptr) {
    // Out of window handles or memory: nothing a dialog could go on with.
    MessageBoxW(nullptr, L"A window could not be created.", nullptr, MB_OK | MB_ICONERROR);
    std::abort();
  }
  win32::FillControls(*window);
  win32::NameControls(*window);
  if (HMENU menu = GetSystemMenu(window->hwnd, FALSE))
    window->systemMenuFixedItems = GetMenuItemCount(menu);
  return window;
}

int RunModal(Window* window) {
  // As the classic framework: the dialog initialises itself before it is
  // shown, and its owner takes input until then.
  const bool focusFirst = window->dialog->HandleInitDialog();
  if (window->ended) return window->result;
  const HWND hwnd = window->hwnd;
  const HWND owner = window->owner != nullptr ? window->owner->hwnd : nullptr;
  const bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  if (focusFirst) {
    if (HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE))
      SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  }
  auto& screen = win32::TheState().screen;
  screen.push_back({window, nullptr});
  MSG message;
  while (!window->ended) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT ends every loop: handed on to the one outside this.
      PostQuitMessage(static_cast<int>(message.wParam));
      window->result = IDCANCEL;
      break;
    }
    if (got < 0) {
      // No message can be had (the queue itself failed): waiting again would
      // spin for ever, so the dialog ends as if closed, and says why.
      const DWORD error = GetLastError();
      std::fprintf(stderr, "tarnwick: the message loop failed (error %lu); the window closes\n",
                   static_cast<unsigned long>(error));
      OutputDebugStringW(L"tarnwick: the message loop failed; the window closes\n");
      window->result = IDCANCEL;
      break;
    }
    win32::Deliver(*window, message);
  }
  std::erase_if(screen, [window](const win32::OnScreen& s) { return s.window == window; });
  // The owner is enabled before this window hides, so that the activation
  // goes back to it and not to another program's window.
  if (disableOwner) EnableWindow(owner, TRUE);
  if (owner != nullptr && GetActiveWindow() == hwnd) SetActiveWindow(owner);
  ShowWindow(hwnd, SW_HIDE);
  return window->result;
}

void EndModal(Window* window, int result) {
  window->ended = true;
  window->result = result;
  // Wakes the loop, should it be waiting for a message.
  PostMessageW(window->hwnd, WM_NULL, 0, 0);
}

void DestroyDialogWindow(Window* window) {
  DestroyWindow(window->hwnd);
  delete window;
}

}  // namespace backend
}  // namespace ui
