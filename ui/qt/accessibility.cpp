// What assistive technology is told of the controls and how it works them:
// each control's name (an edit box's or list's from its label), each
// button's role by its kind, and a button's actions as its click.
#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>

#include "ui/accessible_name.h"
#include "ui/qt/state.h"

namespace ui::qt {

namespace {

using enum ControlKind;

// A radio button or check box as assistive technology sees it. Qt's own
// interface takes a checkable button that is not auto-exclusive for a check
// box (and the template's radio buttons are not: the group is the dialog
// manager's), and its Toggle action sets the check directly, past the click
// that the dialog manager answers. Here the role is the button's kind and
// every action is the click.
class ButtonAccessible final : public QAccessibleWidget {
 public:
  ButtonAccessible(QAbstractButton* button, QAccessible::Role role)
      : QAccessibleWidget(button, role) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = button()->isChecked();
    state.pressed = button()->isDown();
    return state;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) {
      names << toggleAction();
      if (role() == QAccessible::CheckBox) names << pressAction();
    }
    return names << QAccessibleWidget::actionNames();
  }

  void doAction(const QString& name) override {
    if (name != toggleAction() && name != pressAction()) return QAccessibleWidget::doAction(name);
    if (widget()->isEnabled()) button()->click();
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Accelerator) {
      const QKeySequence mnemonic = QKeySequence::mnemonic(button()->text());
      if (!mnemonic.isEmpty()) return mnemonic.toString(QKeySequence::NativeText);
    }
    return QAccessibleWidget::text(t);
  }

 private:
  QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }
};

// Asked with the class name while the widget is still being built (a
// button announces its text from its constructor, and the interface made
// then is kept), so it goes by Qt's class names, not by our classes: every
// radio button and check box of the program is one of the dialogs'.
QAccessibleInterface* ButtonFactory(const QString& className, QObject* object) {
  auto* button = qobject_cast<QAbstractButton*>(object);
  if (button == nullptr) return nullptr;
  if (className == QLatin1String("QRadioButton"))
    return new ButtonAccessible(button, QAccessible::RadioButton);
  if (className == QLatin1String("QCheckBox"))
    return new ButtonAccessible(button, QAccessible::CheckBox);
  return nullptr;
}

QtControl& ControlOf(Window& window, const ControlTemplate& t) {
  return window.controls[static_cast<std::size_t>(&t - window.tmpl->controls.data())];
}

void SetName(QWidget* widget, const QString& name) {
  // Setting the name announces the change (NameChanged).
  if (widget->accessibleName() != name) widget->setAccessibleName(name);
}

}  // namespace

void InstallAccessibility() {
  // Consulted before Qt's own interfaces (the factory installed last is
  // asked first); installing it again changes nothing.
  QAccessible::installFactory(ButtonFactory);
}

void NameControl(Window& window, QtControl& control) {
  const ControlTemplate& t = *control.tmpl;
  if (const ControlTemplate* source = NameSourceOf(*window.tmpl, t)) {
    const QString text = TextOf(ControlOf(window, *source));
    SetName(control.widget, FromUtf8(SpokenText(*source, text.toStdString())));
  } else if (t.kind != Icon) {
    SetName(control.widget, QString());
  }
  // The edit boxes and lists that this text labels are renamed with it.
  if (t.kind != Static) return;
  for (const ControlTemplate* labelled : LabelledBy(*window.tmpl, t))
    NameControl(window, ControlOf(window, *labelled));
}

}  // namespace ui::qt
