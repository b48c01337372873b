#include "ui/dialog_manager.h"

#include <cassert>

#include "ui/backend.h"
#include "ui/dialog.h"

namespace ui {

namespace {

bool IsPushButton(const ControlTemplate& control) {
  return control.kind == ControlKind::PushButton || control.kind == ControlKind::DefPushButton;
}

bool IsEnabledTabStop(CDialog& dialog, const ControlTemplate& control) {
  return (control.style & kTabStop) != 0 && control.id != kNoId &&
         backend::IsControlEnabled(dialog.window(), control.id);
}

// The enabled tab stop `step` (+1 or -1) places from the focused control in
// template order, wrapping round; from before the first control when none
// has the focus.
const ControlTemplate* TabStopFromFocus(CDialog& dialog, int step) {
  const auto controls = dialog.dialogTemplate().controls;
  const int count = static_cast<int>(controls.size());
  const int focus = backend::FocusedControl(dialog.window());
  int at = step > 0 ? count - 1 : 0;
  for (int i = 0; i < count; ++i)
    if (focus != 0 && controls[static_cast<std::size_t>(i)].id == focus) at = i;
  for (int n = 1; n <= count; ++n) {
    const ControlTemplate& next =
        controls[static_cast<std::size_t>((at + n * step + count) % count)];
    if (IsEnabledTabStop(dialog, next)) return &next;
  }
  return nullptr;
}

void MoveFocus(CDialog& dialog, int step) {
  if (const ControlTemplate* next = TabStopFromFocus(dialog, step))
    backend::SetFocus(dialog.window(), next->id);
}

void PressEnter(CDialog& dialog) {
  const DialogTemplate& dialogTemplate = dialog.dialogTemplate();
  const ControlTemplate* focused = dialogTemplate.Find(backend::FocusedControl(dialog.window()));
  if (focused != nullptr && IsPushButton(*focused)) return ClickButton(dialog, focused->id);
  for (const ControlTemplate& control : dialogTemplate.controls) {
    if (control.kind == ControlKind::DefPushButton) {
      // A disabled default button takes no Enter.
      if (backend::IsControlEnabled(dialog.window(), control.id)) ClickButton(dialog, control.id);
      return;
    }
  }
  dialog.HandleCommand(IDOK);
}

}  // namespace

void ClickButton(CDialog& dialog, int controlId) {
  const DialogTemplate& dialogTemplate = dialog.dialogTemplate();
  const ControlTemplate* control = dialogTemplate.Find(controlId);
  assert(control != nullptr && "a click on a control of the template");
  Window* window = dialog.window();
  switch (control->kind) {
    case ControlKind::AutoRadioButton:
      for (const ControlTemplate& member : dialogTemplate.GroupOf(*control)) {
        if (member.kind == ControlKind::AutoRadioButton)
          backend::SetControlCheck(window, member.id, &member == control ? 1 : 0);
      }
      break;
    case ControlKind::AutoCheckBox:
      backend::SetControlCheck(window, controlId, backend::ControlCheck(window, controlId) ? 0 : 1);
      break;
    default:
      break;
  }
  dialog.HandleCommand(controlId);
}

void PressKey(CDialog& dialog, Key key) {
  switch (key) {
    case Key::Enter:
      return PressEnter(dialog);
    case Key::Escape:
      return dialog.HandleCommand(IDCANCEL);
    case Key::Tab:
      return MoveFocus(dialog, +1);
    case Key::ShiftTab:
      return MoveFocus(dialog, -1);
  }
}

void PressCloseBox(CDialog& dialog) {
  if ((dialog.dialogTemplate().style & kSysMenu) != 0) SystemCommand(dialog, kScClose);
}

void SystemCommand(CDialog& dialog, unsigned command) {
  if (dialog.HandleSysCommand(command)) return;
  // A dialog answers Close as its Cancel; Move, Minimize and the rest are
  // the window manager's.
  if ((command & 0xFFF0) == kScClose) dialog.HandleCommand(IDCANCEL);
}

void FocusFirstTabStop(CDialog& dialog) {
  for (const ControlTemplate& control : dialog.dialogTemplate().controls) {
    if (IsEnabledTabStop(dialog, control)) return backend::SetFocus(dialog.window(), control.id);
  }
}

const ControlTemplate* NextTabStop(const DialogTemplate& dialogTemplate,
                                   const ControlTemplate& control) {
  const auto controls = dialogTemplate.controls;
  const std::size_t at = static_cast<std::size_t>(&control - controls.data());
  for (std::size_t step = 1; step < controls.size(); ++step) {
    const ControlTemplate& next = controls[(at + step) % controls.size()];
    if ((next.style & kTabStop) != 0) return &next;
  }
  return nullptr;
}

}  // namespace ui
