// Fake dialogs: each a record of its controls, built from its template.
#include <algorithm>
#include <cassert>

#include "res/resource.h"
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/fake/fake_state.h"

namespace ui {

FakeControl& Window::Control(int id) {
  for (FakeControl& control : controls)
    if (control.tmpl->id == id) return control;
  assert(false && "the window has no control with this ID");
  return controls.front();
}

namespace {

[[maybe_unused]] bool IsButton(const FakeControl& c) {  // for an assert
  using enum res::ControlKind;
  return c.tmpl->kind == AutoRadioButton || c.tmpl->kind == AutoCheckBox;
}

// How often a modal run looks at whether it has ended while no work comes.
constexpr auto kPoll = std::chrono::milliseconds(50);

}  // namespace

namespace backend {

Window* CreateDialogWindow(CDialog& dialog, const res::DialogTemplate& dialogTemplate,
                           Window* owner) {
  auto* window = new Window{&dialog, &dialogTemplate, owner, {}, {}};
  for (const res::ControlTemplate& t : dialogTemplate.controls) {
    if (t.id == res::kNoId) continue;
    window->controls.push_back({&t, std::string(t.text), (t.style & res::kDisabled) == 0});
  }
  return window;
}

int RunModal(Window* window) {
  auto& screen = fake::TheState().screen;
  screen.push_back({window, nullptr});
  if (window->dialog->HandleInitDialog()) {
    for (const FakeControl& control : window->controls) {
      if ((control.tmpl->style & res::kTabStop) != 0 && control.enabled) {
        window->focus = control.tmpl->id;
        break;
      }
    }
  }
  fake::ServeUntil([window] { return window->ended; }, kPoll, /*serveInput=*/true);
  std::erase_if(screen, [window](const fake::OnScreen& s) { return s.window == window; });
  return window->result;
}

void EndModal(Window* window, int result) {
  window->ended = true;
  window->result = result;
}

void DestroyDialogWindow(Window* window) {
  window->alive->store(false);
  delete window;
}

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
  assert(IsButton(control));
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

bool HasSystemMenu(Window* window) {
  return (window->tmpl->style & res::kSysMenu) != 0;
}

void AppendSystemMenuSeparator(Window* window) {
  window->systemMenu.push_back({0, ""});
}

void AppendSystemMenuItem(Window* window, unsigned command, std::string_view text) {
  window->systemMenu.push_back({command, std::string(text)});
}

void DefaultSysCommand(Window* window, unsigned command) {
  // A dialog answers Close as its Cancel; Move, Minimize and the rest have
  // nothing to do in memory.
  if ((command & 0xFFF0) == kScClose) window->dialog->HandleCommand(IDCANCEL);
}

void SetWindowIcon(Window* window, int iconResourceId, bool bigIcon) {
  (bigIcon ? window->bigIcon : window->smallIcon) = iconResourceId;
}

}  // namespace backend
}  // namespace ui
