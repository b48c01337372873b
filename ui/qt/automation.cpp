// Input to Qt windows as the operator gives it: mouse clicks and key presses
// delivered to the window, so that Qt's own handling (hit testing, the
// default button, Escape, disabled controls) decides what happens.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QWindow>

#include "ui/accessible_name.h"
#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_manager.h"
#include "ui/qt/state.h"

namespace ui {

namespace qt {

namespace {

// The window's own handle, where the window system delivers its input, or
// the widget itself before the window has one.
QObject* InputTarget(QWidget* window) {
  if (QWindow* handle = window->windowHandle()) return handle;
  return window->focusWidget() != nullptr ? window->focusWidget() : window;
}

QMessageBox::StandardButton ButtonFor(int answer) {
  switch (answer) {
    case kIdYes:
      return QMessageBox::Yes;
    case kIdNo:
      return QMessageBox::No;
    default:
      return QMessageBox::Ok;
  }
}

OpenMessageBox* TopBox() {
  QWidget* top = QApplication::activeModalWidget();
  for (OpenMessageBox* open : TheState().boxes)
    if (open->box == top) return open;
  return nullptr;
}

}  // namespace

void SendClick(QWidget* widget) {
  QWidget* top = widget->window();
  const QPoint at = widget->mapTo(top, widget->rect().center());
  // The window system's press focuses the control under the pointer before
  // Qt sees the click; an event sent from here does not, so do it here.
  QWidget* under = top->childAt(at);
  if (under != nullptr && under->isEnabled() && (under->focusPolicy() & Qt::ClickFocus) != 0)
    under->setFocus(Qt::MouseFocusReason);
  QPointer<QObject> target = InputTarget(top);
  const bool toWindow = target == top->windowHandle();
  const QPointF local = toWindow ? QPointF(at) : QPointF(widget->rect().center());
  const QPointF global = top->mapToGlobal(QPointF(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(toWindow ? target.data() : widget, &press);
  // The press may have ended a nested run that closed the window.
  if (target.isNull()) return;
  QMouseEvent release(QEvent::MouseButtonRelease, local, local, global, Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(toWindow ? target.data() : widget, &release);
}

void SendKey(QWidget* window, int key, const QString& text, Qt::KeyboardModifiers modifiers) {
  QPointer<QObject> target = InputTarget(window);
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QCoreApplication::sendEvent(target, &press);
  if (target.isNull()) return;
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QCoreApplication::sendEvent(target, &release);
}

}  // namespace qt

namespace backend {

Window* TopWindow() {
  QWidget* top = QApplication::activeModalWidget();
  for (Window* window : OpenWindows())
    if (window->widget == top) return window;
  return nullptr;
}

std::string WindowCaption(Window* window) {
  return window->widget->windowTitle().toStdString();
}

std::pair<int, int> WindowIcons(Window* window) {
  // Only what the window really shows counts.
  const qint64 shown = window->widget->windowIcon().cacheKey();
  const auto showing = [shown](int id) {
    const IconResource* icon = CWinApp::Current()->resources().FindIcon(id);
    return icon != nullptr && qt::IconOf(*icon).cacheKey() == shown ? id : 0;
  };
  return {showing(window->bigIcon), showing(window->smallIcon)};
}

void SimulateClick(Window* window, int controlId) {
  qt::SendClick(window->Control(controlId).widget);
}

void SimulateActivate(Window* window, int controlId) {
  // A screen reader works a control through its accessibility interface:
  // the first action it offers is the default one (Press, Toggle).
  QAccessibleInterface* control =
      QAccessible::queryAccessibleInterface(window->Control(controlId).widget);
  QAccessibleActionInterface* actions = control != nullptr ? control->actionInterface() : nullptr;
  if (actions != nullptr && !actions->actionNames().isEmpty())
    actions->doAction(actions->actionNames().front());
}

void SimulateTyping(Window* window, int controlId, std::string_view text) {
  auto* edit = qobject_cast<QLineEdit*>(window->Control(controlId).widget);
  if (edit == nullptr || !edit->isEnabled()) return;
  // Click into the box, select what is there, and type over it.
  qt::SendClick(edit);
  edit->selectAll();
  const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (typed.isEmpty()) qt::SendKey(window->widget, Qt::Key_Delete);
  for (QChar c : typed) {
    // Qt's key codes for printable ASCII are the upper-case characters.
    const int key = c.unicode() < 0x80 ? c.toUpper().unicode() : int{Qt::Key_unknown};
    qt::SendKey(window->widget, key, QString(c));
  }
}

void SimulateSelect(Window* window, int controlId, int index) {
  const QtControl& control = window->Control(controlId);
  if (control.tmpl->kind != ControlKind::DropDownList || !control.widget->isEnabled()) return;
  control.widget->setFocus(Qt::MouseFocusReason);
  SetComboSelection(window, controlId, index);
}

void SimulateKey(Window* window, Key key) {
  switch (key) {
    case Key::Enter:
      return qt::SendKey(window->widget, Qt::Key_Return, QStringLiteral("\r"));
    case Key::Escape:
      return qt::SendKey(window->widget, Qt::Key_Escape, QStringLiteral("\x1b"));
    case Key::Tab:
      return qt::SendKey(window->widget, Qt::Key_Tab, QStringLiteral("\t"));
    case Key::ShiftTab:
      return qt::SendKey(window->widget, Qt::Key_Backtab, {}, Qt::ShiftModifier);
  }
}

void SimulateCloseBox(Window* window) {
  // The window system's close: Qt turns it into a close event, which the
  // dialog's window hands to the dialog as the system command Close.
  if (QWindow* handle = window->widget->windowHandle())
    handle->close();
  else
    window->widget->close();
}

std::string ControlAccessibleName(Window* window, int controlId) {
  const QtControl& control = window->Control(controlId);
  QAccessibleInterface* object = QAccessible::queryAccessibleInterface(control.widget);
  if (object == nullptr) return {};
  // An edit box or list as a screen reader on Linux announces it: by the
  // label its Label relation names (Qt gives a combo box its current text
  // as its name there).
  if (IsNamedByLabel(control.tmpl->kind)) {
    const auto labels = object->relations(QAccessible::Label);
    if (!labels.isEmpty()) return labels.first().first->text(QAccessible::Name).toStdString();
  }
  return object->text(QAccessible::Name).toStdString();
}

void SimulateCloseRequest(Window* window) {
  // Qt's window system layer drops a close of a window that a modal one
  // blocks, so no desktop can deliver one: the rule is applied as the
  // program would apply it to such a request.
  window->dialog->HandleCloseRequest();
}

void SimulateEndSession() {
  // What the session manager's commitDataRequest leads to (ui_thread.cpp);
  // a QSessionManager cannot be made outside Qt.
  CDialog::HandleEndSession();
}

void SimulateSystemCommand(Window* window, unsigned command) {
  // An item of the window's menu is chosen as the operator chooses it; any
  // other command goes to the dialog as the system would send it.
  if (window->systemMenu != nullptr) {
    for (QAction* item : window->systemMenu->actions()) {
      if (!item->isSeparator() && item->data().toUInt() == command) return item->trigger();
    }
  }
  SystemCommand(*window->dialog, command);
}

std::vector<automation::MenuItem> AppendedSystemMenu(Window* window) {
  std::vector<automation::MenuItem> items;
  if (window->systemMenu == nullptr) return items;
  const QList<QAction*> actions = window->systemMenu->actions();
  for (qsizetype i = window->systemMenuFixedItems; i < actions.size(); ++i) {
    if (actions[i]->isSeparator())
      items.push_back({0, ""});
    else
      items.push_back({actions[i]->data().toUInt(), actions[i]->text().toStdString()});
  }
  return items;
}

std::optional<automation::MessageBoxInfo> TopMessageBox() {
  if (qt::OpenMessageBox* open = qt::TopBox()) return open->info;
  return std::nullopt;
}

void AnswerTopMessageBox(int answer) {
  qt::OpenMessageBox* open = qt::TopBox();
  if (open == nullptr) return;
  if (QAbstractButton* button = open->box->button(qt::ButtonFor(answer))) qt::SendClick(button);
}

void AbortAll() {
  // A dialog that has ended keeps its result: its loop may still be serving
  // the work posted before it ended.
  for (Window* window : OpenWindows())
    if (!window->ended) EndModal(window, IDCANCEL);
  for (qt::OpenMessageBox* open : qt::TheState().boxes) {
    if (QAbstractButton* button =
            open->box->button(qt::ButtonFor(DismissedAnswer(open->info.flags))))
      button->click();
  }
}

}  // namespace backend
}  // namespace ui
