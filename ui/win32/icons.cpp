// Icons from the program's resources: each PNG image made into an icon by
// the system (CreateIconFromResourceEx reads PNG images as icon resources
// hold them), the window's big and small icons set with WM_SETICON.
#include <map>
#include <utility>

#include "ui/backend.h"
#include "ui/win32/state.h"

namespace ui {

namespace win32 {

namespace {

// By resource ID and size; UI thread only.
std::map<std::pair<int, int>, HICON>& Icons() {
  static std::map<std::pair<int, int>, HICON> icons;
  return icons;
}

}  // namespace

HICON IconOf(const IconResource& icon, int size) {
  HICON& made = Icons()[{icon.id, size}];
  if (made != nullptr || icon.images.empty()) return made;
  // The image of that size, else the smallest larger one, else the largest:
  // the system scales it.
  const IconImage* best = &icon.images.front();
  for (const IconImage& image : icon.images) {
    const bool bestFits = best->size >= size;
    if (image.size >= size ? !bestFits || image.size < best->size
                           : !bestFits && image.size > best->size)
      best = &image;
  }
  made = CreateIconFromResourceEx(const_cast<PBYTE>(best->png.data()),
                                  static_cast<DWORD>(best->png.size()), TRUE, 0x00030000, size,
                                  size, LR_DEFAULTCOLOR);
  return made;
}

void DestroyIcons() {
  for (auto& [key, icon] : Icons())
    if (icon != nullptr) DestroyIcon(icon);
  Icons().clear();
}

}  // namespace win32

namespace backend {

void SetWindowIcon(Window* window, const IconResource& icon, bool bigIcon) {
  (bigIcon ? window->bigIcon : window->smallIcon) = icon.id;
  const int size = GetSystemMetrics(bigIcon ? SM_CXICON : SM_CXSMICON);
  SendMessageW(window->hwnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL,
               reinterpret_cast<LPARAM>(win32::IconOf(icon, size)));
}

}  // namespace backend
}  // namespace ui
