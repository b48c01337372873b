// The fake's controls: records of text, enabled state, check and selection.
#include <cassert>

#include "ui/backend.h"
#include "ui/fake/state.h"

namespace ui {

FakeControl& Window::Control(int id) {
  for (FakeControl& control : controls)
    if (control.tmpl->id == id) return control;
  assert(false && "the window has no control with this ID");
  return controls.front();
}

namespace backend {

void SetControlText(Window* window, int id, std::string_view text) {
  window->Control(id).text = text;
}

std::string ControlText(Window* window, int id) {
  return window->Control(id).text;
}

void EnableControl(Window* window, int id, bool enable) {
  // Disabling the focused control leaves no control focused, as on Windows.
  if (!enable && window->focus == id) window->focus = 0;
  window->Control(id).enabled = enable;
}

bool IsControlEnabled(Window* window, int id) {
  return window->Control(id).enabled;
}

void SetControlCheck(Window* window, int id, int check) {
  FakeControl& control = window->Control(id);
  assert(control.tmpl->kind == ControlKind::AutoRadioButton ||
         control.tmpl->kind == ControlKind::AutoCheckBox);
  // A two-state button shows any non-zero state as checked, as Windows does.
  control.check = check != 0 ? 1 : 0;
}

int ControlCheck(Window* window, int id) {
  return window->Control(id).check;
}

void SetComboSelection(Window* window, int id, int index) {
  FakeControl& control = window->Control(id);
  const int count = static_cast<int>(control.tmpl->items.size());
  control.selection = (index >= 0 && index < count) ? index : -1;
}

int ComboSelection(Window* window, int id) {
  return window->Control(id).selection;
}

int FocusedControl(Window* window) {
  return window->focus;
}

void SetFocus(Window* window, int id) {
  window->focus = id;
}

}  // namespace backend
}  // namespace ui
