// Input to fake windows, delivered as the platform would deliver it.
#include "res/resource.h"
#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/fake/fake_state.h"

namespace ui {

namespace {

// Checks an automatic radio button and clears the other radio buttons of its
// group.
void CheckRadioInGroup(Window* window, FakeControl& clicked) {
  for (const res::ControlTemplate& member : window->tmpl->GroupOf(*clicked.tmpl)) {
    if (member.kind == res::ControlKind::AutoRadioButton)
      window->Control(member.id).check = (&member == clicked.tmpl) ? 1 : 0;
  }
}

// Controls that take the focus when clicked, as Windows' buttons, edit boxes
// and lists do (statics and group boxes do not).
bool TakesFocus(const FakeControl& control) {
  using enum res::ControlKind;
  const res::ControlKind kind = control.tmpl->kind;
  return kind != Static && kind != GroupBox && kind != Icon;
}

// The next enabled tab stop after the focused control in template order,
// wrapping round, as the dialog manager's Tab does.
void FocusNextTabStop(Window* window) {
  const auto& controls = window->controls;
  std::size_t at = controls.size() - 1;
  for (std::size_t i = 0; i < controls.size(); ++i)
    if (controls[i].tmpl->id == window->focus) at = i;
  for (std::size_t step = 1; step <= controls.size(); ++step) {
    const FakeControl& next = controls[(at + step) % controls.size()];
    if ((next.tmpl->style & res::kTabStop) != 0 && next.enabled) {
      window->focus = next.tmpl->id;
      return;
    }
  }
}

bool IsPushButton(const FakeControl& control) {
  return control.tmpl->kind == res::ControlKind::PushButton ||
         control.tmpl->kind == res::ControlKind::DefPushButton;
}

}  // namespace

namespace backend {

Window* TopWindow() {
  auto& screen = fake::TheState().screen;
  return screen.empty() ? nullptr : screen.back().window;
}

Window* FindWindow(int templateId) {
  auto& screen = fake::TheState().screen;
  for (auto it = screen.rbegin(); it != screen.rend(); ++it)
    if (it->window != nullptr && it->window->tmpl->id == templateId) return it->window;
  return nullptr;
}

int TemplateOf(Window* window) {
  return window->tmpl->id;
}

std::string WindowCaption(Window* window) {
  return std::string(window->tmpl->caption);
}

std::pair<int, int> WindowIcons(Window* window) {
  return {window->bigIcon, window->smallIcon};
}

void SimulateClick(Window* window, int controlId) {
  FakeControl& control = window->Control(controlId);
  if (!control.enabled) return;
  if (TakesFocus(control)) window->focus = controlId;
  switch (control.tmpl->kind) {
    using enum res::ControlKind;
    case AutoRadioButton:
      CheckRadioInGroup(window, control);
      break;
    case AutoCheckBox:
      control.check = control.check == 1 ? 0 : 1;
      break;
    case PushButton:
    case DefPushButton:
      break;
    default:
      return;  // statics, edit boxes and lists send no command on a click
  }
  window->dialog->HandleCommand(controlId);
}

void SimulateTyping(Window* window, int controlId, std::string_view text) {
  FakeControl& control = window->Control(controlId);
  if (control.enabled && control.tmpl->kind == res::ControlKind::Edit &&
      (control.tmpl->style & res::kReadOnly) == 0) {
    window->focus = controlId;
    control.text = text;
  }
}

void SimulateSelect(Window* window, int controlId, int index) {
  FakeControl& control = window->Control(controlId);
  if (control.enabled && control.tmpl->kind == res::ControlKind::DropDownList) {
    window->focus = controlId;
    SetComboSelection(window, controlId, index);
  }
}

void SimulateKey(Window* window, Key key) {
  if (key == Key::Escape) return window->dialog->HandleCommand(IDCANCEL);
  if (key == Key::Tab) return FocusNextTabStop(window);
  // Enter presses the push button that has the focus; otherwise the default
  // push button if it is enabled (a disabled one takes no Enter), and in a
  // dialog without one it sends IDOK, as the dialog manager does.
  if (window->focus != 0 && IsPushButton(window->Control(window->focus)))
    return window->dialog->HandleCommand(window->focus);
  for (const FakeControl& control : window->controls) {
    if (control.tmpl->kind == res::ControlKind::DefPushButton) {
      if (control.enabled) window->dialog->HandleCommand(control.tmpl->id);
      return;
    }
  }
  window->dialog->HandleCommand(IDOK);
}

void SimulateCloseBox(Window* window) {
  if (HasSystemMenu(window)) window->dialog->HandleSysCommand(kScClose);
}

void SimulateSystemCommand(Window* window, unsigned command) {
  window->dialog->HandleSysCommand(command);
}

std::vector<automation::MenuItem> AppendedSystemMenu(Window* window) {
  return window->systemMenu;
}

std::optional<automation::MessageBoxInfo> TopMessageBox() {
  auto& screen = fake::TheState().screen;
  if (screen.empty() || screen.back().box == nullptr) return std::nullopt;
  const auto& r = screen.back().box->record;
  return automation::MessageBoxInfo{r.text, r.caption, r.flags, r.ownerTemplate};
}

void AnswerTopMessageBox(int answer) {
  auto& screen = fake::TheState().screen;
  if (!screen.empty() && screen.back().box != nullptr) screen.back().box->answer = answer;
}

void AbortAll() {
  for (fake::OnScreen& o : fake::TheState().screen) {
    if (o.window != nullptr) EndModal(o.window, IDCANCEL);
    if (o.box != nullptr && !o.box->answer)
      o.box->answer = (o.box->record.flags & kMbYesNo) != 0 ? kIdNo : kIdOk;
  }
}

}  // namespace backend
}  // namespace ui
