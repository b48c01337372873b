// Painting with the platform's own calls: a minimised window's icon drawn
// by the dialog (BeginPaint, WM_ICONERASEBKGND, DrawIcon, EndPaint), the
// rest by DefDlgProc.
#include "ui/backend.h"
#include "ui/win32/state.h"

namespace ui::backend {

bool IsMinimized(Window* window) {
  return IsIconic(window->hwnd) != FALSE;
}

Size ClientSize(Window* window) {
  RECT rect;
  GetClientRect(window->hwnd, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

Size SystemIconSize() {
  return {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
}

PaintContext* BeginPaint(Window* window) {
  auto* context = new PaintContext{};
  context->dc = ::BeginPaint(window->hwnd, &context->paint);
  win32::TheState().painting = context;
  return context;
}

void EndPaint(Window* window, PaintContext* context) {
  ::EndPaint(window->hwnd, &context->paint);
  win32::TheState().painting = nullptr;
  delete context;
}

void DrawIcon(PaintContext* context, int x, int y, const IconResource& icon) {
  ::DrawIcon(context->dc, x, y, win32::IconOf(icon, GetSystemMetrics(SM_CXICON)));
}

std::intptr_t SendWindowMessage(Window* window, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  // The framework hands over the paint under way, where the platform's
  // message takes its device context.
  PaintContext* painting = win32::TheState().painting;
  if (painting != nullptr && wParam == reinterpret_cast<std::uintptr_t>(painting))
    wParam = reinterpret_cast<std::uintptr_t>(painting->dc);
  return SendMessageW(window->hwnd, message, wParam, lParam);
}

}  // namespace ui::backend
