// Icons from the program's resources: one QIcon holds all the images of a
// resource, and the desktop picks the size it shows.
#include <QApplication>
#include <QPixmap>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/qt/state.h"

namespace ui {

namespace qt {

QIcon IconOf(const IconResource& icon) {
  QIcon& made = TheState().icons[icon.id];
  if (made.isNull()) {
    for (const IconImage& image : icon.images) {
      QPixmap pixmap;
      pixmap.loadFromData(image.png.data(), static_cast<uint>(image.png.size()), "PNG");
      made.addPixmap(pixmap);
    }
  }
  return made;
}

void ShowProgramIcon(QWidget* window) {
  const CWinApp* app = CWinApp::Current();
  if (app == nullptr || app->resources().icons.empty()) return;
  const QIcon icon = IconOf(app->resources().icons.front());
  QApplication::setWindowIcon(icon);
  if (window != nullptr) window->setWindowIcon(icon);
}

}  // namespace qt

namespace backend {

void SetWindowIcon(Window* window, const IconResource& icon, bool bigIcon) {
  (bigIcon ? window->bigIcon : window->smallIcon) = icon.id;
  window->widget->setWindowIcon(qt::IconOf(icon));
}

}  // namespace backend
}  // namespace ui
