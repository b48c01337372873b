// Input to fake windows, delivered as the platform would deliver it: a press
// focuses the control under the pointer, the rest is the dialog manager's.
#include "ui/accessible_name.h"
#include "ui/automation_backend.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_manager.h"
#include "ui/fake/state.h"

namespace ui {

namespace {

// Controls that take the focus when clicked, as Windows' buttons, edit boxes
// and lists do (statics and group boxes do not).
bool TakesFocus(const FakeControl& control) {
  using enum ControlKind;
  const ControlKind kind = control.tmpl->kind;
  return kind != Static && kind != GroupBox && kind != Icon;
}

}  // namespace

namespace backend {

Window* TopWindow() {
  auto& screen = fake::TheState().screen;
  return screen.empty() ? nullptr : screen.back().window;
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
  // Statics, edit boxes and lists send no command on a click.
  if (IsButton(control.tmpl->kind)) ClickButton(*window->dialog, controlId);
}

void SimulateActivate(Window* window, int controlId) {
  // As BM_CLICK: the button's click, the focus left where it is.
  FakeControl& control = window->Control(controlId);
  if (control.enabled && IsButton(control.tmpl->kind)) ClickButton(*window->dialog, controlId);
}

void SimulateTyping(Window* window, int controlId, std::string_view text) {
  FakeControl& control = window->Control(controlId);
  if (control.enabled && control.tmpl->kind == ControlKind::Edit &&
      (control.tmpl->style & kReadOnly) == 0) {
    window->focus = controlId;
    control.text = text;
  }
}

void SimulateSelect(Window* window, int controlId, int index) {
  FakeControl& control = window->Control(controlId);
  if (control.enabled && control.tmpl->kind == ControlKind::DropDownList) {
    window->focus = controlId;
    SetComboSelection(window, controlId, index);
  }
}

void SimulateKey(Window* window, Key key) {
  PressKey(*window->dialog, key);
}

void SimulateCloseBox(Window* window) {
  PressCloseBox(*window->dialog);
}

std::string ControlAccessibleName(Window* window, int controlId) {
  const ControlTemplate* source = NameSourceOf(*window->tmpl, *window->Control(controlId).tmpl);
  if (source == nullptr) return {};
  // A label without an ID cannot be changed: its text is the template's.
  return SpokenText(
      *source, source->id != kNoId ? window->Control(source->id).text : std::string(source->text));
}

void SimulateCloseRequest(Window* window) {
  window->dialog->HandleCloseRequest();
}

void SimulateEndSession() {
  CDialog::HandleEndSession();
}

void SimulateSystemCommand(Window* window, unsigned command) {
  SystemCommand(*window->dialog, command);
}

std::vector<automation::MenuItem> AppendedSystemMenu(Window* window) {
  return window->systemMenu;
}

std::optional<automation::MessageBoxInfo> TopMessageBox() {
  auto& screen = fake::TheState().screen;
  if (screen.empty() || screen.back().box == nullptr) return std::nullopt;
  return screen.back().box->record;
}

void AnswerTopMessageBox(int answer) {
  auto& screen = fake::TheState().screen;
  if (!screen.empty() && screen.back().box != nullptr) screen.back().box->answer = answer;
}

void AbortAll() {
  for (fake::OnScreen& o : fake::TheState().screen) {
    if (o.window != nullptr) EndModal(o.window, IDCANCEL);
    if (o.box != nullptr && !o.box->answer) o.box->answer = DismissedAnswer(o.box->record.flags);
  }
}

}  // namespace backend
}  // namespace ui
