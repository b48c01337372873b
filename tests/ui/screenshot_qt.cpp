// The window on top as the X server shows it, through Qt.
#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "tests/ui/screenshot.h"

bool SaveTopWindow(const std::filesystem::path& file) {
  QWidget* window = QApplication::activeModalWidget();
  if (window == nullptr) return false;
  const QRect frame = window->frameGeometry();
  const QPixmap picture =
      window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  return picture.save(QString::fromStdString(file.string()));
}
