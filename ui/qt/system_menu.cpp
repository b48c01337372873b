// The system menu on Linux: window managers own the title-bar menu, so the
// window's own items (Close, and those the program appends) are offered in
// its context menu and under Alt+Space where the window manager leaves the
// key to the window.
#include <QAction>
#include <QContextMenuEvent>
#include <QShortcut>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_manager.h"
#include "ui/qt/state.h"

namespace ui {

namespace qt {

void CreateSystemMenu(Window& window) {
  auto* menu = new QMenu(window.widget);
  QAction* close = menu->addAction(QObject::tr("&Close") + "\tAlt+F4");
  close->setData(kScClose);
  QObject::connect(close, &QAction::triggered, window.widget,
                   [&window] { SystemCommand(*window.dialog, kScClose); });
  window.systemMenu = menu;
  window.systemMenuFixedItems = static_cast<int>(menu->actions().size());
  auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window.widget);
  QObject::connect(shortcut, &QShortcut::activated, window.widget, [&window] {
    window.systemMenu->popup(window.widget->mapToGlobal(QPoint(0, 0)));
  });
}

}  // namespace qt

namespace backend {

bool HasSystemMenu(Window* window) {
  return window->systemMenu != nullptr;
}

void AppendSystemMenuSeparator(Window* window) {
  window->systemMenu->addSeparator();
}

void AppendSystemMenuItem(Window* window, unsigned command, std::string_view text) {
  QAction* item = window->systemMenu->addAction(qt::FromUtf8(text));
  item->setData(command);
  QObject::connect(item, &QAction::triggered, window->widget,
                   [window, command] { SystemCommand(*window->dialog, command); });
}

}  // namespace backend
}  // namespace ui
