// The Qt backend's model: each dialog a QDialog whose child widgets are the
// template's controls, the windows and message boxes that are open, and
// which of the UI thread's loops take the operator's input.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QWidget>

#include "res/templates.h"
#include "ui/automation.h"

class CDialog;
class QEventLoop;

namespace ui {

struct QtControl {
  const res::ControlTemplate* tmpl;
  QWidget* widget;  // owned by the window's dialog widget
};

struct Window {
  CDialog* dialog;
  const res::DialogTemplate* tmpl;
  Window* owner;
  QDialog* widget = nullptr;
  QMenu* systemMenu = nullptr;   // null when the template has none
  int systemMenuFixedItems = 0;  // the menu's own items, before the appended ones
  std::vector<QtControl> controls = {};
  int bigIcon = 0;
  int smallIcon = 0;
  QEventLoop* loop = nullptr;  // the modal run's, while it runs
  bool ended = false;
  int result = 0;

  QtControl& Control(int id);
};

namespace qt {

// Dialog units to pixels, from the dialog font's base units as Windows
// computes them.
struct DialogUnits {
  int baseX;  // average width of "A".."Z", "a".."z", rounded
  int baseY;  // the font's height
  int X(int dlu) const;
  int Y(int dlu) const;
};
DialogUnits DialogUnitsOf(const QFont& font);

// The font a dialog is drawn in: the desktop's UI font standing in for the
// template's "MS Sans Serif", at the template's size.
QFont DialogFont(const res::DialogTemplate& dialogTemplate);

// An icon resource with its images (icon 128: 16 and 32 pixels).
QIcon IconResource(int resourceId);

// The static text that names an edit box or list for assistive technology:
// the nearest one placed above it or to its left; null when there is none.
const res::ControlTemplate* LabelOf(const res::DialogTemplate& dialogTemplate,
                                    const res::ControlTemplate& control);

// A control's text without its mnemonic marks, as a screen reader says it.
QString AccessibleText(const res::ControlTemplate& control, const QString& text);

struct OpenMessageBox {
  QMessageBox* box;
  automation::MessageBoxInfo info;
};

struct State {
  // All touched on the UI thread only.
  std::vector<Window*> windows;  // open windows, oldest first
  std::vector<OpenMessageBox*> boxes;
  std::vector<bool> inputLevels;  // the running loops, innermost last: take input?
  std::deque<std::function<void()>> pendingInput;
  std::size_t queuedServes = 0;  // ServeOneInput calls posted and not yet run
  QIcon appIcon;                 // icon 128, loaded once per application object
};

State& TheState();

// Marks a loop of the UI thread for the time it runs: modal runs and message
// boxes take the operator's input, waits hold it back until they end.
class InputLevel {
 public:
  explicit InputLevel(bool takesInput);
  ~InputLevel();
  InputLevel(const InputLevel&) = delete;
  InputLevel& operator=(const InputLevel&) = delete;
};

// A left-button click at the widget's centre, delivered to its window as the
// window system delivers one: the widget under the point gets it.
void SendClick(QWidget* widget);
// A key press and release, delivered to the window's focus widget.
void SendKey(QWidget* window, int key, const QString& text = {});

}  // namespace qt
}  // namespace ui
