// What assistive technology is told of the controls and how it works them:
// each control's name (an edit box's or list's from its label), each
// button's role by its kind, and a button's actions as its click.
#include <algorithm>

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>

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

bool IsLabelled(ControlKind kind) {
  return kind == Edit || kind == DropDownList;
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
  if (IsLabelled(t.kind)) {
    const ControlTemplate* label = LabelOf(*window.tmpl, t);
    SetName(control.widget, label != nullptr
                                ? AccessibleText(*label, TextOf(ControlOf(window, *label)))
                                : QString());
    return;
  }
  if (t.kind != Icon) SetName(control.widget, AccessibleText(t, TextOf(control)));
  // The edit boxes and lists that this text labels are renamed with it.
  if (t.kind != Static) return;
  for (QtControl& other : window.controls)
    if (IsLabelled(other.tmpl->kind) && LabelOf(*window.tmpl, *other.tmpl) == &t)
      NameControl(window, other);
}

const ControlTemplate* LabelOf(const DialogTemplate& dialogTemplate,
                               const ControlTemplate& control) {
  // Dialog units between a label and its control at the most: a label
  // further away belongs to something else.
  constexpr int kMaxGap = 10;
  const ControlTemplate* best = nullptr;
  int bestGap = kMaxGap + 1;
  for (const ControlTemplate& t : dialogTemplate.controls) {
    if (t.kind != Static) continue;
    const bool sharesColumns = t.x < control.x + control.cx && control.x < t.x + t.cx;
    const bool sharesRows = t.y < control.y + control.cy && control.y < t.y + t.cy;
    int gap = kMaxGap + 1;
    if (sharesColumns && t.y + t.cy <= control.y) gap = control.y - (t.y + t.cy);
    if (sharesRows && t.x + t.cx <= control.x) gap = std::min(gap, control.x - (t.x + t.cx));
    if (gap < bestGap) {
      best = &t;
      bestGap = gap;
    }
  }
  return best;
}

QString AccessibleText(const ControlTemplate& control, const QString& text) {
  if (control.kind == Static && (control.style & kNoPrefix) != 0) return text;
  // "&&" is a literal '&'; any other '&' marks the mnemonic that follows it.
  QString plain;
  plain.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace ui::qt
