// Reading and changing the controls: the widgets' texts, enabled states,
// checks, selections and the focus.
#include <cassert>

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "ui/backend.h"
#include "ui/qt/state.h"

namespace ui {

QtControl& Window::Control(int id) {
  assert(id != kNoId);
  for (QtControl& control : controls)
    if (control.tmpl->id == id) return control;
  assert(false && "the window has no control with this ID");
  return controls.front();
}

namespace qt {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString TextOf(const QtControl& control) {
  switch (control.tmpl->kind) {
    using enum ControlKind;
    case PushButton:
    case DefPushButton:
    case AutoRadioButton:
    case AutoCheckBox:
      return static_cast<QAbstractButton*>(control.widget)->text();
    case GroupBox:
      return static_cast<QGroupBox*>(control.widget)->title();
    case Static:
      return static_cast<QLabel*>(control.widget)->text();
    case Edit:
      return static_cast<QLineEdit*>(control.widget)->text();
    case DropDownList:
      return static_cast<QComboBox*>(control.widget)->currentText();
    case Icon:
      break;
  }
  return {};
}

}  // namespace qt

namespace backend {

void SetControlText(Window* window, int id, std::string_view text) {
  QtControl& control = window->Control(id);
  const QString value = qt::FromUtf8(text);
  switch (control.tmpl->kind) {
    using enum ControlKind;
    case PushButton:
    case DefPushButton:
    case AutoRadioButton:
    case AutoCheckBox:
      static_cast<QAbstractButton*>(control.widget)->setText(value);
      break;
    case GroupBox:
      static_cast<QGroupBox*>(control.widget)->setTitle(value);
      break;
    case Static:
      static_cast<QLabel*>(control.widget)->setText(value);
      break;
    case Edit:
      // QLineEdit announces the new text itself (a text update event).
      static_cast<QLineEdit*>(control.widget)->setText(value);
      break;
    case DropDownList:
    case Icon:
      return;  // they show their selection, their image
  }
  qt::NameControl(*window, control);
}

std::string ControlText(Window* window, int id) {
  return qt::TextOf(window->Control(id)).toStdString();
}

void EnableControl(Window* window, int id, bool enable) {
  QWidget* widget = window->Control(id).widget;
  // Windows leaves no control focused when the focused one is disabled; Qt
  // would pass the focus on, and Enter would then press the next button
  // instead of the default one.
  if (!enable && window->widget->focusWidget() == widget) widget->clearFocus();
  widget->setEnabled(enable);
}

bool IsControlEnabled(Window* window, int id) {
  return window->Control(id).widget->isEnabledTo(window->widget);
}

void SetControlCheck(Window* window, int id, int check) {
  QtControl& control = window->Control(id);
  assert(control.tmpl->kind == ControlKind::AutoRadioButton ||
         control.tmpl->kind == ControlKind::AutoCheckBox);
  // A two-state button shows any non-zero state as checked, as Windows does.
  static_cast<QAbstractButton*>(control.widget)->setChecked(check != 0);
}

int ControlCheck(Window* window, int id) {
  QtControl& control = window->Control(id);
  const auto* button = qobject_cast<QAbstractButton*>(control.widget);
  return button != nullptr && button->isChecked() ? 1 : 0;
}

void SetComboSelection(Window* window, int id, int index) {
  auto* combo = static_cast<QComboBox*>(window->Control(id).widget);
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int ComboSelection(Window* window, int id) {
  return static_cast<QComboBox*>(window->Control(id).widget)->currentIndex();
}

int FocusedControl(Window* window) {
  const QWidget* focus = window->widget->focusWidget();
  for (const QtControl& control : window->controls)
    if (focus != nullptr && control.widget == focus) return control.tmpl->id;
  return 0;
}

void SetFocus(Window* window, int id) {
  // As the Tab key gives it: an edit box selects its text.
  window->Control(id).widget->setFocus(Qt::TabFocusReason);
}

}  // namespace backend
}  // namespace ui
