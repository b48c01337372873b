// Painting with the platform's own calls: a minimised window's icon drawn
// by the dialog (BeginPaint, WM_ICONERASEBKGND, DrawIcon, EndPaint), the
// rest by DefDlgProc.
#include "ui/backend.h"
#include "ui/win32/state.h"

namespace ui {

namespace backend {

bool IsMinimized(Window* window) {
  return IsIconic(window->hwnd) != FALSE;
}

}  // namespace backend

namespace win32 {

backend::Size Paint::ClientSize() const {
  RECT rect;
  GetClientRect(hwnd_, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

backend::Size Paint::IconSize() const {
  return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

void Paint::PaintIcon(int x, int y, const IconResource& icon) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(hwnd_, &paint);
  SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  DrawIcon(dc, x, y, IconOf(icon, GetSystemMetrics(SM_CXICON)));
  EndPaint(hwnd_, &paint);
}

}  // namespace win32
}  // namespace ui
