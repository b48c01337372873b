// The UI thread on Win32: work from other threads reaches it through a
// hidden message-only window, whose messages every loop of the thread
// dispatches: our modal runs, MessageBox's, a menu's. Thread messages would
// be lost in the loops that are not ours.
#include <atomic>
#include <cassert>
#include <deque>
#include <mutex>

#include "ui/backend.h"
#include "ui/win32/state.h"

namespace ui {

namespace {

constexpr UINT kWorkMessage = WM_APP;
constexpr wchar_t kWorkWindowClass[] = L"UiThreadWork";

std::atomic<DWORD> uiThread{0};

// Other threads post here: the window and the queue go together.
std::mutex workMutex;
HWND workWindow = nullptr;
std::deque<std::function<void()>> work;
std::size_t messagesOnTheirWay = 0;  // kWorkMessage posted and not yet handled

// One message for each piece of work, so that work and the other messages
// posted to the thread (the dialog manager's commands) run in the order they
// were posted. A message the queue had no room for is posted again later.
void PostWorkMessages() {
  while (messagesOnTheirWay < work.size() && PostMessageW(workWindow, kWorkMessage, 0, 0))
    ++messagesOnTheirWay;
}

LRESULT CALLBACK WorkWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kWorkMessage) return DefWindowProcW(hwnd, message, wParam, lParam);
  std::function<void()> next;
  {
    std::lock_guard lock(workMutex);
    if (messagesOnTheirWay > 0) --messagesOnTheirWay;
    if (work.empty()) return 0;
    next = std::move(work.front());
    work.pop_front();
    PostWorkMessages();
  }
  next();
  return 0;
}

}  // namespace

namespace win32 {

State& TheState() {
  static State state;
  return state;
}

}  // namespace win32

namespace backend {

void BeginUiThread(int&, char**) {
  // The common controls of version 6, as the program's manifest asks.
  const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // The objects that screen readers get from the windows are handed over
  // through COM (accessibility.cpp).
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  [[maybe_unused]] static const ATOM workClass = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WorkWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWorkWindowClass;
    return RegisterClassExW(&windowClass);
  }();
  assert(workClass != 0);
  const HWND window = CreateWindowExW(0, kWorkWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
  {
    std::lock_guard lock(workMutex);
    workWindow = window;
    messagesOnTheirWay = 0;
  }
  uiThread = GetCurrentThreadId();
}

void EndUiThread() {
  assert(IsUiThread());
  HWND window;
  {
    std::lock_guard lock(workMutex);
    window = workWindow;
    workWindow = nullptr;
    work.clear();
  }
  DestroyWindow(window);
  win32::DestroyIcons();
  CoUninitialize();
  uiThread = 0;
}

bool IsUiThread() {
  return uiThread.load() == GetCurrentThreadId();
}

void PostToUiThread(std::function<void()> next) {
  std::lock_guard lock(workMutex);
  if (workWindow == nullptr) return;  // the UI thread has ended
  work.push_back(std::move(next));
  PostWorkMessages();
}

void ServeWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll) {
  assert(IsUiThread());
  // Posted work and painting go on; the operator's input waits in the queue.
  // Sent messages are served by every PeekMessage.
  HWND window;
  {
    std::lock_guard lock(workMutex);
    window = workWindow;
  }
  MSG message;
  while (busy()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(poll.count()),
                              QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT);
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
      DispatchMessageW(&message);
  }
}

}  // namespace backend
}  // namespace ui
