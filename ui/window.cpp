#include "ui/window.h"

#include "ui/dialog.h"
#include "ui/modal.h"

namespace ui {

std::vector<CDialog*>& RunningDialogs() {
  static std::vector<CDialog*> running;
  return running;
}

std::vector<Window*> OpenWindows() {
  std::vector<Window*> windows;
  for (const CDialog* dialog : RunningDialogs()) windows.push_back(dialog->window());
  return windows;
}

Window* FindWindow(int templateId) {
  const std::vector<CDialog*>& running = RunningDialogs();
  for (auto it = running.rbegin(); it != running.rend(); ++it)
    if ((*it)->templateId() == templateId) return (*it)->window();
  return nullptr;
}

int TemplateOf(const Window* window) {
  for (const CDialog* dialog : RunningDialogs())
    if (dialog->window() == window) return dialog->templateId();
  return 0;
}

}  // namespace ui
