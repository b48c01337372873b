// The Qt backend's model: each dialog a QDialog whose child widgets are the
// template's controls, the windows and message boxes that are open, and
// what the backend's files share.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QRadioButton>
#include <QWidget>

#include "ui/automation.h"
#include "ui/resources.h"
#include "ui/window.h"

class CDialog;
class QEventLoop;

namespace ui {

struct QtControl {
  const ControlTemplate* tmpl;
  QWidget* widget;  // owned by the window's dialog widget
};

struct Window : WindowRecord {
  QDialog* widget = nullptr;
  QMenu* systemMenu = nullptr;   // null when the template has none
  int systemMenuFixedItems = 0;  // the menu's own items, before the appended ones
  std::vector<QtControl> controls = {};
  QEventLoop* loop = nullptr;  // the modal run's, while it runs

  QtControl& Control(int id);
};

namespace qt {

// ---- layout.cpp

// The dialog font's base units, as Windows computes them.
DialogUnits DialogUnitsOf(const QFont& font);
// The font a dialog is drawn in: the desktop's UI font standing in for the
// template's "MS Sans Serif", at the template's size.
QFont DialogFont(const DialogTemplate& dialogTemplate);
// The template's controls as child widgets of the window's dialog widget,
// each at its template rectangle.
void CreateControls(Window& window);

// A radio button or check box that reports a click without changing its own
// check, as Windows' plain BS_RADIOBUTTON and BS_CHECKBOX do: the dialog
// manager decides the check (ui::ClickButton), whichever way the click came.
template <class Button>
class ClickReportingButton final : public Button {
 public:
  using Button::Button;

 protected:
  void nextCheckState() override {}
};
using RadioButton = ClickReportingButton<QRadioButton>;
using CheckBox = ClickReportingButton<QCheckBox>;

// ---- controls.cpp

// The control's text as the window shows it.
QString TextOf(const QtControl& control);
QString FromUtf8(std::string_view text);

// ---- accessibility.cpp

// Makes assistive technology see each button as its kind and activate it by
// its click. Once per application object.
void InstallAccessibility();
// Gives the control the name assistive technology reads (announcing a
// change), and renames the edit boxes and lists that it labels.
void NameControl(Window& window, QtControl& control);

// ---- system_menu.cpp

void CreateSystemMenu(Window& window);

// ---- icons.cpp

// An icon resource with its images, made once per application object.
QIcon IconOf(const IconResource& icon);
// The program's own icon on the window, and the application's, where the
// desktop shows one.
void ShowProgramIcon(QWidget* window);

// ---- message_box.cpp, ui_thread.cpp

struct OpenMessageBox {
  QMessageBox* box;
  automation::MessageBoxInfo info;
};

struct State {
  // All touched on the UI thread only.
  std::vector<OpenMessageBox*> boxes;
  std::map<int, QIcon> icons;  // by resource ID
};

State& TheState();

// ---- automation.cpp

// A left-button click at the widget's centre, delivered to its window as the
// window system delivers one: the widget under the point gets it.
void SendClick(QWidget* widget);
// A key press and release, delivered to the window's focus widget.
void SendKey(QWidget* window, int key, const QString& text = {},
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);

}  // namespace qt
}  // namespace ui
