// Fake dialogs: each a record of its controls, built from its template, run
// on the fake UI thread's queue.
#include <algorithm>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/dialog_manager.h"
#include "ui/fake/state.h"

namespace ui {

namespace {

// How often a modal run looks at whether it has ended while no work comes.
constexpr auto kPoll = std::chrono::milliseconds(50);

// MS Sans Serif 8 at 96 dpi: the base units of the fake desktop.
constexpr DialogUnits kUnits{6, 13};

}  // namespace

namespace backend {

Window* CreateDialogWindow(CDialog& dialog, const DialogTemplate& dialogTemplate, Window* owner) {
  auto* window = new Window{{&dialog, &dialogTemplate, owner}};
  window->clientWidth = kUnits.X(dialogTemplate.cx);
  window->clientHeight = kUnits.Y(dialogTemplate.cy);
  for (const ControlTemplate& t : dialogTemplate.controls) {
    if (t.id == kNoId) continue;
    window->controls.push_back({&t, std::string(t.text), (t.style & kDisabled) == 0});
  }
  return window;
}

int RunModal(Window* window) {
  auto& screen = fake::TheState().screen;
  screen.push_back({window, nullptr});
  if (window->dialog->HandleInitDialog()) FocusFirstTabStop(*window->dialog);
  fake::ServeUntil([window] { return window->ended; }, kPoll);
  std::erase_if(screen, [window](const fake::OnScreen& s) { return s.window == window; });
  return window->result;
}

void EndModal(Window* window, int result) {
  window->ended = true;
  window->result = result;
}

void DestroyDialogWindow(Window* window) {
  delete window;
}

}  // namespace backend
}  // namespace ui
