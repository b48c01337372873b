// The template's controls as widgets at their template rectangles, in pixels
// from the dialog font's base units, so the windows look like the templates
// and not like a re-flowed Qt form.
#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/accessible_name.h"
#include "ui/dialog.h"
#include "ui/dialog_manager.h"
#include "ui/qt/state.h"

namespace ui::qt {

namespace {

using enum ControlKind;

QWidget* NewPushButton(const ControlTemplate& t, QWidget* parent) {
  auto* button = new QPushButton(FromUtf8(t.text), parent);
  // Enter is the dialog manager's: a push button takes it only through the
  // dialog (ui::PressKey), never by itself.
  button->setAutoDefault(false);
  button->setDefault(t.kind == DefPushButton);
  return button;
}

QWidget* NewRadioButton(const ControlTemplate& t, QWidget* parent) {
  auto* radio = new RadioButton(FromUtf8(t.text), parent);
  // The group is the template's (ui::ClickButton); Qt's would refuse the
  // program's BM_SETCHECK-like calls that check several.
  radio->setAutoExclusive(false);
  return radio;
}

QWidget* NewGroupBox(const ControlTemplate& t, QWidget* parent) {
  auto* box = new QGroupBox(FromUtf8(t.text), parent);
  // A group box frames the controls inside it: they take the clicks.
  box->setAttribute(Qt::WA_TransparentForMouseEvents);
  return box;
}

QWidget* NewStaticText(const ControlTemplate& t, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  label->setText(FromUtf8(t.text));
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

QWidget* NewEdit(const ControlTemplate& t, QWidget* parent) {
  auto* edit = new QLineEdit(FromUtf8(t.text), parent);
  edit->setFrame((t.style & kBorder) != 0);
  edit->setReadOnly((t.style & kReadOnly) != 0);
  return edit;
}

// `rect` comes with the template's height, the list's when open, and leaves
// with the closed control's, as high as the platform draws it.
QWidget* NewDropDownList(const ControlTemplate& t, QWidget* parent, QRect& rect) {
  auto* combo = new QComboBox(parent);
  for (std::string_view item : t.items) combo->addItem(FromUtf8(item));
  combo->setCurrentIndex(-1);
  const int closed = combo->sizeHint().height();
  const int itemHeight = std::max(1, QFontMetrics(combo->font()).height());
  combo->setMaxVisibleItems(std::max(1, (rect.height() - closed) / itemHeight));
  rect.setHeight(closed);
  return combo;
}

// An icon control takes the icon's size, whatever the template says.
QWidget* NewIcon(const ControlTemplate& t, QWidget* parent, QRect& rect) {
  auto* label = new QLabel(parent);
  if (const IconResource* icon = CWinApp::Current()->resources().FindIcon(t.iconId))
    label->setPixmap(IconOf(*icon).pixmap(32, 32));
  rect.setSize(QSize(32, 32));
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  return label;
}

QWidget* NewWidget(const ControlTemplate& t, QWidget* parent, QRect& rect) {
  switch (t.kind) {
    case PushButton:
    case DefPushButton:
      return NewPushButton(t, parent);
    case AutoRadioButton:
      return NewRadioButton(t, parent);
    case AutoCheckBox:
      return new CheckBox(FromUtf8(t.text), parent);
    case GroupBox:
      return NewGroupBox(t, parent);
    case Static:
      return NewStaticText(t, parent);
    case Edit:
      return NewEdit(t, parent);
    case DropDownList:
      return NewDropDownList(t, parent, rect);
    case Icon:
      return NewIcon(t, parent, rect);
  }
  return nullptr;
}

Qt::FocusPolicy FocusPolicyOf(const ControlTemplate& t) {
  if (!IsButton(t.kind) && t.kind != Edit && t.kind != DropDownList) return Qt::NoFocus;
  return (t.style & kTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus;
}

QWidget* CreateControl(Window& window, const ControlTemplate& t, const DialogUnits& units) {
  QRect rect(units.X(t.x), units.Y(t.y), units.X(t.cx), units.Y(t.cy));
  QWidget* widget = NewWidget(t, window.widget, rect);
  widget->setGeometry(rect);
  widget->setEnabled((t.style & kDisabled) == 0);
  widget->setFocusPolicy(FocusPolicyOf(t));
  if (IsButton(t.kind)) {
    // Every way Qt activates a button (the mouse, Space, a mnemonic, an
    // accessibility action) ends in clicked().
    CDialog& dialog = *window.dialog;
    QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, widget,
                     [&dialog, id = t.id] { ClickButton(dialog, id); });
  }
  return widget;
}

}  // namespace

DialogUnits DialogUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  return BaseUnitsOf(metrics.horizontalAdvance(FromUtf8(kBaseUnitLetters)), metrics.height());
}

QFont DialogFont(const DialogTemplate& dialogTemplate) {
  // The template's size, not the desktop's: the templates' texts were fitted
  // to their controls at 8 points, and the base units scale the controls
  // with the font, not the text within them.
  QFont font = QApplication::font();
  font.setPointSize(dialogTemplate.fontPoints);
  return font;
}

void CreateControls(Window& window) {
  const DialogUnits units = DialogUnitsOf(window.widget->font());
  window.controls.reserve(window.tmpl->controls.size());
  for (const ControlTemplate& t : window.tmpl->controls)
    window.controls.push_back({&t, CreateControl(window, t, units)});
  for (QtControl& control : window.controls) {
    const ControlTemplate& t = *control.tmpl;
    NameControl(window, control);
    if (t.kind == GroupBox) control.widget->lower();
    // A label's buddy is the edit box or list that it names, for which
    // assistive technology reads it (Qt's Label relation); any other static
    // text's mnemonic sends the focus to the next tab stop.
    if (t.kind == Static && (t.style & kNoPrefix) == 0) {
      const auto labelled = LabelledBy(*window.tmpl, t);
      const ControlTemplate* buddy =
          labelled.empty() ? NextTabStop(*window.tmpl, t) : labelled.back();
      static_cast<QLabel*>(control.widget)
          ->setBuddy(buddy != nullptr ? window.Control(buddy->id).widget : nullptr);
    }
  }
}

}  // namespace ui::qt
