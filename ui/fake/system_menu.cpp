// The fake's system menu: the items appended to it, for automation to read.
#include "ui/backend.h"
#include "ui/fake/state.h"

namespace ui::backend {

bool HasSystemMenu(Window* window) {
  return (window->tmpl->style & kSysMenu) != 0;
}

void AppendSystemMenuSeparator(Window* window) {
  window->systemMenu.push_back({0, ""});
}

void AppendSystemMenuItem(Window* window, unsigned command, std::string_view text) {
  window->systemMenu.push_back({command, std::string(text)});
}

}  // namespace ui::backend
