// Dialogs as QDialogs built from their templates, run modally in an event
// loop of their own; the keys and the close box go to the dialog manager.
#include <algorithm>

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QKeyEvent>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_manager.h"
#include "ui/qt/state.h"

namespace ui {

namespace {

class DialogWidget final : public QDialog {
 public:
  DialogWidget(Window& window, QWidget* owner, Qt::WindowFlags flags)
      : QDialog(owner, flags), window_(window) {}

  // Qt's own ways of cancelling a dialog are the dialog's Cancel command.
  void reject() override { window_.dialog->HandleCommand(IDCANCEL); }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    PressCloseBox(*window_.dialog);
  }

  void keyPressEvent(QKeyEvent* event) override {
    // Enter and Escape, alone (the keypad's Enter too), that no control took.
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
          return PressKey(*window_.dialog, Key::Enter);
        case Qt::Key_Escape:
          return PressKey(*window_.dialog, Key::Escape);
        default:
          break;
      }
    }
    QDialog::keyPressEvent(event);
  }

  // Tab and Shift+Tab, from whichever control has the focus.
  bool focusNextPrevChild(bool next) override {
    PressKey(*window_.dialog, next ? Key::Tab : Key::ShiftTab);
    return true;
  }

  void contextMenuEvent(QContextMenuEvent* event) override {
    if (window_.systemMenu != nullptr) window_.systemMenu->popup(event->globalPos());
  }

 private:
  Window& window_;
};

}  // namespace

namespace backend {

Window* CreateDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate, Window* owner) {
  auto* window = new Window{{.dialog = &dialog, .tmpl = &dialogTemplate, .owner = owner}};
  Qt::WindowFlags flags = (dialogTemplate.style & kAppWindow) != 0 ? Qt::Window : Qt::Dialog;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  const bool sysMenu = (dialogTemplate.style & kSysMenu) != 0;
  if (sysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  window->widget = new DialogWidget(*window, owner != nullptr ? owner->widget : nullptr, flags);
  QDialog* widget = window->widget;
  widget->setFont(qt::DialogFont(dialogTemplate));
  widget->setWindowTitle(qt::FromUtf8(dialogTemplate.caption));
  qt::ShowProgramIcon(widget);
  const DialogUnits units = qt::DialogUnitsOf(widget->font());
  widget->setFixedSize(units.X(dialogTemplate.cx), units.Y(dialogTemplate.cy));
  qt::CreateControls(*window);
  if (sysMenu) qt::CreateSystemMenu(*window);
  return window;
}

int RunModal(Window* window) {
  // As on Windows: the dialog initialises itself before it is shown, and its
  // owner takes input until then.
  const bool focusFirst = window->dialog->HandleInitDialog();
  if (window->ended) return window->result;
  QDialog* widget = window->widget;
  widget->setWindowModality(Qt::ApplicationModal);
  widget->show();
  widget->activateWindow();
  if (focusFirst) FocusFirstTabStop(*window->dialog);
  {
    QEventLoop loop;
    window->loop = &loop;
    loop.exec();
    window->loop = nullptr;
  }
  widget->hide();
  return window->result;
}

void EndModal(Window* window, int result) {
  window->ended = true;
  window->result = result;
  if (window->loop != nullptr) window->loop->exit();
}

void DestroyDialogWindow(Window* window) {
  delete window->widget;
  delete window;
}

}  // namespace backend
}  // namespace ui
