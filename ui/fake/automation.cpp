// Input to fake windows, delivered as the platform would deliver it.
#include "res/resource.h"
#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/fake/fake_state.h"
#include "ui/ui_thread.h"

namespace ui {

namespace {

// Checks an automatic radio button and clears the other radio buttons of its
// group: the controls from the last one that starts a group up to the next.
void CheckRadioInGroup(Window* window, FakeControl& clicked) {
  const auto& controls = window->tmpl->controls;
  std::size_t at = 0;
  while (&controls[at] != clicked.tmpl) ++at;
  std::size_t first = at;
  while (first > 0 && (controls[first].style & res::kGroup) == 0) --first;
  for (std::size_t i = first; i < controls.size(); ++i) {
    if (i > first && (controls[i].style & res::kGroup) != 0) break;
    if (controls[i].kind == res::ControlKind::AutoRadioButton)
      window->Control(controls[i].id).check = (i == at) ? 1 : 0;
  }
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

void SimulateClick(Window* window, int controlId) {
  FakeControl& control = window->Control(controlId);
  if (!control.enabled) return;
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
      (control.tmpl->style & res::kReadOnly) == 0)
    control.text = text;
}

void SimulateSelect(Window* window, int controlId, int index) {
  FakeControl& control = window->Control(controlId);
  if (control.enabled && control.tmpl->kind == res::ControlKind::DropDownList)
    SetComboSelection(window, controlId, index);
}

void SimulateKey(Window* window, Key key) {
  if (key == Key::Escape) return window->dialog->HandleCommand(IDCANCEL);
  // Enter presses the default button, or sends IDOK when it is disabled.
  for (const FakeControl& control : window->controls) {
    if (control.tmpl->kind == res::ControlKind::DefPushButton && control.enabled)
      return window->dialog->HandleCommand(control.tmpl->id);
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

namespace fake {

std::pair<int, int> WindowIcons(int templateId) {
  std::pair<int, int> icons{0, 0};
  SendToUiThread([&] {
    if (Window* window = backend::FindWindow(templateId))
      icons = {window->bigIcon, window->smallIcon};
  });
  return icons;
}

}  // namespace fake
}  // namespace ui
