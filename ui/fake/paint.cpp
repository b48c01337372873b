// Painting on the fake desktop: nothing is drawn, what would be is written
// down. The platform never paints by itself; tests send the paint.
#include <string>

#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/fake/state.h"
#include "ui/ui_thread.h"

namespace ui {

namespace backend {

bool IsMinimized(Window* window) {
  return window->minimized;
}

Size ClientSize(Window* window) {
  return {window->clientWidth, window->clientHeight};
}

Size SystemIconSize() {
  return {fake::kSystemIconSize, fake::kSystemIconSize};
}

PaintContext* BeginPaint(Window* window) {
  fake::TheState().painting = new PaintContext{window};
  return fake::TheState().painting;
}

void EndPaint(Window*, PaintContext* context) {
  fake::TheState().painting = nullptr;
  delete context;
}

void DrawIcon(PaintContext*, int x, int y, const IconResource& icon) {
  fake::TheState().drawn.push_back("icon " + std::to_string(icon.id) + " at " + std::to_string(x) +
                                   "," + std::to_string(y));
}

std::intptr_t SendWindowMessage(Window*, unsigned message, std::uintptr_t wParam, std::intptr_t) {
  // The one message the system sends its windows: the background behind a
  // minimised window's icon, on the device context of the paint under way.
  if (message == WM_ICONERASEBKGND) {
    const bool paintsContext =
        wParam == reinterpret_cast<std::uintptr_t>(fake::TheState().painting);
    fake::TheState().drawn.push_back(paintsContext ? "background behind the icon"
                                                   : "background behind the icon, elsewhere");
  }
  return 0;
}

}  // namespace backend

namespace fake {

namespace {

// Runs `action` on the UI thread with the top-most window of the template.
template <class T>
T WithWindow(int templateId, T fallback, const std::function<T(Window&)>& action) {
  T result = fallback;
  SendToUiThread([&] {
    if (Window* window = backend::FindWindow(templateId)) result = action(*window);
  });
  return result;
}

}  // namespace

bool Minimize(int templateId, int clientWidth, int clientHeight) {
  return WithWindow<bool>(templateId, false, [&](Window& window) {
    window.minimized = true;
    window.clientWidth = clientWidth;
    window.clientHeight = clientHeight;
    return true;
  });
}

bool Restore(int templateId) {
  return WithWindow<bool>(templateId, false, [](Window& window) {
    window.minimized = false;
    return true;
  });
}

std::vector<std::string> Paint(int templateId) {
  return WithWindow<std::vector<std::string>>(templateId, {}, [](Window& window) {
    std::vector<std::string>& drawn = TheState().drawn;
    drawn.clear();
    if (!window.dialog->HandlePaint()) drawn.push_back("the platform's painting");
    return std::move(drawn);
  });
}

int QueryDragIcon(int templateId) {
  return WithWindow<int>(templateId, 0, [](Window& window) {
    return window.dialog->HandleQueryDragIcon().resourceId;
  });
}

}  // namespace fake
}  // namespace ui
