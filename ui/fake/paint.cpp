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

}  // namespace backend

namespace fake {

namespace {

// A paint of the window, written down in the words of fake_ui.h's Paint.
class WrittenPaint final : public backend::MinimizedPaint {
 public:
  WrittenPaint(const Window& window, std::vector<std::string>& drawn)
      : window_(window), drawn_(drawn) {}

  backend::Size ClientSize() const override { return {window_.clientWidth, window_.clientHeight}; }
  backend::Size IconSize() const override { return {kSystemIconSize, kSystemIconSize}; }
  void PaintIcon(int x, int y, const IconResource& icon) override {
    drawn_.push_back("background behind the icon");
    drawn_.push_back("icon " + std::to_string(icon.id) + " at " + std::to_string(x) + "," +
                     std::to_string(y));
  }

 private:
  const Window& window_;
  std::vector<std::string>& drawn_;
};

// Runs `action` on the UI thread with the top-most window of the template.
template <class T>
T WithWindow(int templateId, T fallback, const std::function<T(Window&)>& action) {
  T result = fallback;
  SendToUiThread([&] {
    if (Window* window = FindWindow(templateId)) result = action(*window);
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
    std::vector<std::string> drawn;
    WrittenPaint paint(window, drawn);
    if (!window.dialog->HandlePaint(paint)) drawn.push_back("the platform's painting");
    return drawn;
  });
}

int QueryDragIcon(int templateId) {
  return WithWindow<int>(templateId, 0, [](Window& window) {
    return window.dialog->HandleQueryDragIcon().resourceId;
  });
}

}  // namespace fake
}  // namespace ui
