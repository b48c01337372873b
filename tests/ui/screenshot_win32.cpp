// The window on top as the screen shows it, frame included (BitBlt from the
// screen's device context: Wine's own desktop under Wine), saved as PNG by
// GDI+.
#include "tests/ui/screenshot.h"
#include "ui/win32/state.h"

// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

bool SaveTopWindow(const std::filesystem::path& file) {
  const auto& screen = ui::win32::TheState().screen;
  if (screen.empty() || screen.back().window == nullptr) return false;
  RECT frame;
  GetWindowRect(screen.back().window->hwnd, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;

  const HDC desktop = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(desktop);
  const HBITMAP bitmap = CreateCompatibleBitmap(desktop, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, desktop, frame.left, frame.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, desktop);

  // GDI+'s PNG encoder.
  const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  ULONG_PTR token = 0;
  const Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  bool saved = false;
  {
    Gdiplus::Bitmap picture(bitmap, nullptr);
    saved = picture.Save(file.wstring().c_str(), &png, nullptr) == Gdiplus::Ok;
  }
  Gdiplus::GdiplusShutdown(token);
  DeleteObject(bitmap);
  return saved;
}
