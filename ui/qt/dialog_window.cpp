// Dialogs as QDialogs laid out from their templates: every control at its
// template rectangle, in pixels from the dialog font's base units, so the
// windows look like the templates and not like a re-flowed Qt form.
#include <algorithm>
#include <cassert>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

#include "res/resource.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/qt/qt_state.h"

namespace ui {

QtControl& Window::Control(int id) {
  assert(id != res::kNoId);
  for (QtControl& control : controls)
    if (control.tmpl->id == id) return control;
  assert(false && "the window has no control with this ID");
  return controls.front();
}

namespace qt {

namespace {

using enum res::ControlKind;

// Windows' MulDiv: the product over the divisor, rounded half away from 0.
int MulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

bool IsButton(res::ControlKind kind) {
  return kind == PushButton || kind == DefPushButton || kind == AutoRadioButton ||
         kind == AutoCheckBox;
}

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The control's text as the window shows it.
QString TextOf(const QtControl& control) {
  switch (control.tmpl->kind) {
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

QtControl& ControlOf(Window& window, const res::ControlTemplate& t) {
  return window.controls[static_cast<std::size_t>(&t - window.tmpl->controls.data())];
}

// An edit box or list is named by its label; every other control by its own
// text. Setting the name announces the change (NameChanged) to assistive
// technology.
void NameControl(Window& window, QtControl& control) {
  const res::ControlTemplate& t = *control.tmpl;
  QString name;
  if (t.kind == Edit || t.kind == DropDownList) {
    if (const res::ControlTemplate* label = LabelOf(*window.tmpl, t))
      name = AccessibleText(*label, TextOf(ControlOf(window, *label)));
  } else if (t.kind != Icon) {
    name = AccessibleText(t, TextOf(control));
  }
  if (control.widget->accessibleName() != name) control.widget->setAccessibleName(name);
}

// The next tab stop after `t` in template order, wrapping round: where a
// static text's mnemonic takes the focus.
QWidget* NextTabStop(Window& window, const res::ControlTemplate& t) {
  const auto& controls = window.tmpl->controls;
  const std::size_t at = static_cast<std::size_t>(&t - controls.data());
  for (std::size_t step = 1; step < controls.size(); ++step) {
    const std::size_t i = (at + step) % controls.size();
    if ((controls[i].style & res::kTabStop) != 0) return window.controls[i].widget;
  }
  return nullptr;
}

void FocusFirstTabStop(Window& window) {
  for (QtControl& control : window.controls) {
    if ((control.tmpl->style & res::kTabStop) != 0 && control.widget->isEnabled()) {
      control.widget->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

// A click on a button: an automatic radio button takes the check from the
// others of its group (a plain Qt radio button would toggle, and Qt's own
// exclusive groups would refuse the program's BM_SETCHECK-like calls), then
// the dialog is told, after the button has changed its state.
void Clicked(Window& window, const res::ControlTemplate& t) {
  if (t.kind == AutoRadioButton) {
    for (const res::ControlTemplate& member : window.tmpl->GroupOf(t)) {
      if (member.kind == AutoRadioButton)
        static_cast<QAbstractButton*>(ControlOf(window, member).widget)->setChecked(&member == &t);
    }
  }
  window.dialog->HandleCommand(t.id);
}

class DialogWidget final : public QDialog {
 public:
  DialogWidget(Window& window, QWidget* owner, Qt::WindowFlags flags)
      : QDialog(owner, flags), window_(window) {}

  // QDialog ends itself on Escape (reject) and on the close box: both are
  // the dialog's to decide, as commands.
  void reject() override { window_.dialog->HandleCommand(IDCANCEL); }
  void accept() override { window_.dialog->HandleCommand(IDOK); }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (window_.systemMenu != nullptr) window_.dialog->HandleSysCommand(kScClose);
  }

  void keyPressEvent(QKeyEvent* event) override {
    // Enter presses the focused or the default push button (QDialog does
    // that); with no default push button at all, the dialog gets IDOK.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier && !HasDefaultButton()) {
      window_.dialog->HandleCommand(IDOK);
      return;
    }
    QDialog::keyPressEvent(event);
  }

  void contextMenuEvent(QContextMenuEvent* event) override {
    if (window_.systemMenu != nullptr) window_.systemMenu->popup(event->globalPos());
  }

 private:
  bool HasDefaultButton() const {
    return std::ranges::any_of(window_.tmpl->controls, [](const res::ControlTemplate& t) {
      return t.kind == DefPushButton;
    });
  }

  Window& window_;
};

QWidget* CreateControl(Window& window, const res::ControlTemplate& t, const DialogUnits& units) {
  QWidget* parent = window.widget;
  const QString text = FromUtf8(t.text);
  QWidget* widget = nullptr;
  QRect rect(units.X(t.x), units.Y(t.y), units.X(t.cx), units.Y(t.cy));
  switch (t.kind) {
    case PushButton:
    case DefPushButton: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(true);  // a focused push button takes Enter, as on Windows
      button->setDefault(t.kind == DefPushButton);
      widget = button;
      break;
    }
    case AutoRadioButton: {
      auto* radio = new QRadioButton(text, parent);
      radio->setAutoExclusive(false);  // the group is the template's, see Clicked
      widget = radio;
      break;
    }
    case AutoCheckBox:
      widget = new QCheckBox(text, parent);
      break;
    case GroupBox:
      widget = new QGroupBox(text, parent);
      // A group box frames the controls inside it: they take the clicks.
      widget->setAttribute(Qt::WA_TransparentForMouseEvents);
      break;
    case Static: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      label->setWordWrap(true);
      label->setText(text);
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      widget = label;
      break;
    }
    case Edit: {
      auto* edit = new QLineEdit(text, parent);
      edit->setFrame((t.style & res::kBorder) != 0);
      edit->setReadOnly((t.style & res::kReadOnly) != 0);
      widget = edit;
      break;
    }
    case DropDownList: {
      auto* combo = new QComboBox(parent);
      for (std::string_view item : t.items) combo->addItem(FromUtf8(item));
      combo->setCurrentIndex(-1);
      // The template's height is the list's when open; closed, the control
      // is as high as the platform draws it.
      const int closed = combo->sizeHint().height();
      const int itemHeight = std::max(1, QFontMetrics(combo->font()).height());
      combo->setMaxVisibleItems(std::max(1, (rect.height() - closed) / itemHeight));
      rect.setHeight(closed);
      widget = combo;
      break;
    }
    case Icon: {
      auto* label = new QLabel(parent);
      const QIcon icon = IconResource(t.iconId);
      label->setPixmap(icon.pixmap(32, 32));
      // An icon control takes the icon's size, whatever the template says.
      rect.setSize(QSize(32, 32));
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      widget = label;
      break;
    }
  }
  widget->setGeometry(rect);
  widget->setEnabled((t.style & res::kDisabled) == 0);
  if (IsButton(t.kind) || t.kind == Edit || t.kind == DropDownList)
    widget->setFocusPolicy((t.style & res::kTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
  else
    widget->setFocusPolicy(Qt::NoFocus);
  if (IsButton(t.kind)) {
    QObject::connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, widget,
                     [&window, &t] { Clicked(window, t); });
  }
  return widget;
}

void CreateSystemMenu(Window& window) {
  auto* menu = new QMenu(window.widget);
  QAction* close = menu->addAction(QObject::tr("&Close") + "\tAlt+F4");
  close->setData(kScClose);
  QObject::connect(close, &QAction::triggered, window.widget,
                   [&window] { window.dialog->HandleSysCommand(kScClose); });
  window.systemMenu = menu;
  window.systemMenuFixedItems = static_cast<int>(menu->actions().size());
  // Alt+Space opens the system menu on Windows; here it opens the same items
  // where the window manager leaves the key to the window.
  auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window.widget);
  QObject::connect(shortcut, &QShortcut::activated, window.widget, [&window] {
    window.systemMenu->popup(window.widget->mapToGlobal(QPoint(0, 0)));
  });
}

}  // namespace

int DialogUnits::X(int dlu) const {
  return MulDiv(dlu, baseX, 4);
}
int DialogUnits::Y(int dlu) const {
  return MulDiv(dlu, baseY, 8);
}

DialogUnits DialogUnitsOf(const QFont& font) {
  // As Windows' GdiGetCharDimensions: the width of the 52 letters, halved
  // twice with rounding, and the font's full height.
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(width / 26 + 1) / 2, metrics.height()};
}

QFont DialogFont(const res::DialogTemplate& dialogTemplate) {
  // The template's size, not the desktop's: the templates' texts were fitted
  // to their controls at 8 points, and the base units scale the controls
  // with the font, not the text within them.
  QFont font = QApplication::font();
  font.setPointSize(dialogTemplate.fontPoints);
  return font;
}

QIcon IconResource(int resourceId) {
  assert(resourceId == IDR_MAINFRAME && "the only icon resource");
  static_cast<void>(resourceId);
  State& s = TheState();
  if (s.appIcon.isNull()) {
    s.appIcon.addFile(QStringLiteral(":/icons/tarnwick-16.png"), QSize(16, 16));
    s.appIcon.addFile(QStringLiteral(":/icons/tarnwick-32.png"), QSize(32, 32));
  }
  return s.appIcon;
}

const res::ControlTemplate* LabelOf(const res::DialogTemplate& dialogTemplate,
                                    const res::ControlTemplate& control) {
  // Dialog units between a label and its control at the most: a label
  // further away belongs to something else.
  constexpr int kMaxGap = 10;
  const res::ControlTemplate* best = nullptr;
  int bestGap = kMaxGap + 1;
  for (const res::ControlTemplate& t : dialogTemplate.controls) {
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

QString AccessibleText(const res::ControlTemplate& control, const QString& text) {
  if (control.kind == Static && (control.style & res::kNoPrefix) != 0) return text;
  // "&&" is a literal '&'; any other '&' marks the mnemonic that follows it.
  QString plain;
  plain.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace qt

namespace backend {

Window* CreateDialogWindow(CDialog& dialog, const res::DialogTemplate& dialogTemplate,
                           Window* owner) {
  auto* window = new Window{.dialog = &dialog, .tmpl = &dialogTemplate, .owner = owner};
  const bool sysMenu = (dialogTemplate.style & res::kSysMenu) != 0;
  Qt::WindowFlags flags = (dialogTemplate.style & res::kAppWindow) != 0 ? Qt::Window : Qt::Dialog;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (sysMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  window->widget = new qt::DialogWidget(*window, owner != nullptr ? owner->widget : nullptr, flags);
  QDialog* widget = window->widget;
  widget->setFont(qt::DialogFont(dialogTemplate));
  widget->setWindowTitle(qt::FromUtf8(dialogTemplate.caption));
  widget->setWindowIcon(qt::IconResource(IDR_MAINFRAME));
  const qt::DialogUnits units = qt::DialogUnitsOf(widget->font());
  widget->setFixedSize(units.X(dialogTemplate.cx), units.Y(dialogTemplate.cy));

  window->controls.reserve(dialogTemplate.controls.size());
  for (const res::ControlTemplate& t : dialogTemplate.controls)
    window->controls.push_back({&t, qt::CreateControl(*window, t, units)});
  QWidget* previous = nullptr;
  for (QtControl& control : window->controls) {
    const res::ControlTemplate& t = *control.tmpl;
    qt::NameControl(*window, control);
    if (t.kind == res::ControlKind::GroupBox) control.widget->lower();
    if (t.kind == res::ControlKind::Static && (t.style & res::kNoPrefix) == 0)
      static_cast<QLabel*>(control.widget)->setBuddy(qt::NextTabStop(*window, t));
    if (control.widget->focusPolicy() != Qt::NoFocus) {
      if (previous != nullptr) QWidget::setTabOrder(previous, control.widget);
      previous = control.widget;
    }
  }
  if (sysMenu) qt::CreateSystemMenu(*window);
  qt::TheState().windows.push_back(window);
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
  if (focusFirst) qt::FocusFirstTabStop(*window);
  {
    QEventLoop loop;
    qt::InputLevel takesInput(true);
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
  std::erase(qt::TheState().windows, window);
  delete window->widget;  // and with it the work still posted to it
  delete window;
}

void SetControlText(Window* window, int id, std::string_view text) {
  QtControl& control = window->Control(id);
  const QString value = qt::FromUtf8(text);
  switch (control.tmpl->kind) {
    using enum res::ControlKind;
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
  // The edit boxes and lists that this text labels are renamed with it.
  for (QtControl& other : window->controls) {
    const auto kind = other.tmpl->kind;
    if ((kind == res::ControlKind::Edit || kind == res::ControlKind::DropDownList) &&
        qt::LabelOf(*window->tmpl, *other.tmpl) == control.tmpl)
      qt::NameControl(*window, other);
  }
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
  assert(control.tmpl->kind == res::ControlKind::AutoRadioButton ||
         control.tmpl->kind == res::ControlKind::AutoCheckBox);
  // A two-state button shows any non-zero state as checked, as Windows does.
  static_cast<QAbstractButton*>(control.widget)->setChecked(check != 0);
}

int ControlCheck(Window* window, int id) {
  QtControl& control = window->Control(id);
  if (!qt::IsButton(control.tmpl->kind)) return 0;
  return static_cast<QAbstractButton*>(control.widget)->isChecked() ? 1 : 0;
}

void SetComboSelection(Window* window, int id, int index) {
  auto* combo = static_cast<QComboBox*>(window->Control(id).widget);
  combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

int ComboSelection(Window* window, int id) {
  return static_cast<QComboBox*>(window->Control(id).widget)->currentIndex();
}

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
                   [window, command] { window->dialog->HandleSysCommand(command); });
}

void DefaultSysCommand(Window* window, unsigned command) {
  // A dialog answers Close as its Cancel; moving and sizing are the window
  // manager's.
  if ((command & 0xFFF0) == kScClose) window->dialog->HandleCommand(IDCANCEL);
}

void SetWindowIcon(Window* window, int iconResourceId, bool bigIcon) {
  (bigIcon ? window->bigIcon : window->smallIcon) = iconResourceId;
  // One QIcon holds both images; the desktop picks the size it shows.
  window->widget->setWindowIcon(qt::IconResource(iconResourceId));
}

}  // namespace backend
}  // namespace ui
