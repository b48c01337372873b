// The platform's own message boxes (MessageBoxW), with the buttons and icon
// asked for, owned by the dialog they arise in: MessageBox disables its
// owner and runs a loop of its own, which serves the UI thread's work too.
#include <algorithm>

#include "ui/backend.h"
#include "ui/win32/state.h"

namespace ui {

namespace win32 {

namespace {

struct Search {
  HWND found = nullptr;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
  // A dialog of the thread that is none of ours, enabled: the box on top.
  wchar_t className[16] = {};
  GetClassNameW(hwnd, className, 16);
  const std::vector<Window*> windows = OpenWindows();
  const bool ours = std::any_of(windows.begin(), windows.end(),
                                [hwnd](const Window* w) { return w->hwnd == hwnd; });
  if (!ours && std::wstring_view(className) == L"#32770" && IsWindowVisible(hwnd) &&
      IsWindowEnabled(hwnd)) {
    reinterpret_cast<Search*>(param)->found = hwnd;
  }
  return TRUE;
}

}  // namespace

HWND MessageBoxWindow() {
  Search search;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace win32

namespace backend {

int ShowMessageBox(Window* owner, const automation::MessageBoxInfo& info) {
  win32::OpenMessageBox box{info};
  auto& screen = win32::TheState().screen;
  screen.push_back({nullptr, &box});
  // The framework's flags and answers have the values of MB_* and ID*.
  const int answer =
      MessageBoxW(owner != nullptr ? owner->hwnd : nullptr, platform::ToUtf16(info.text).c_str(),
                  platform::ToUtf16(info.caption).c_str(), info.flags);
  std::erase_if(screen, [&box](const win32::OnScreen& s) { return s.box == &box; });
  return answer;
}

}  // namespace backend
}  // namespace ui
