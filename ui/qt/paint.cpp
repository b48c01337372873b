// Painting. Qt sends no paint to a minimised window and asks it for no drag
// icon: the desktop shows the window's icon (icons.cpp). So a dialog's own
// painting of its minimised window is never asked for here.
#include "ui/backend.h"
#include "ui/qt/state.h"

namespace ui::backend {

bool IsMinimized(Window* window) {
  return window->widget->isMinimized();
}

}  // namespace ui::backend
