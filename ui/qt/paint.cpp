// Painting. Qt sends no paint to a minimised window and asks it for no drag
// icon: the desktop shows the window's icon (icons.cpp). So a dialog's own
// painting of its minimised window, which Qt never asks for, has nothing to
// draw on here.
#include <QApplication>
#include <QStyle>

#include "ui/backend.h"
#include "ui/qt/state.h"

namespace ui::backend {

bool IsMinimized(Window* window) {
  return window->widget->isMinimized();
}

Size ClientSize(Window* window) {
  return {window->widget->width(), window->widget->height()};
}

Size SystemIconSize() {
  const int size = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
  return {size, size};
}

PaintContext* BeginPaint(Window*) {
  return nullptr;
}

void EndPaint(Window*, PaintContext*) {}

void DrawIcon(PaintContext*, int, int, const IconResource&) {}

std::intptr_t SendWindowMessage(Window*, unsigned, std::uintptr_t, std::intptr_t) {
  return 0;
}

}  // namespace ui::backend
