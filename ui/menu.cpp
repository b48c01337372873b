// The system menu: a thin forward to the backend.
#include "ui/backend.h"
#include "ui/dialog.h"

void CMenu::AppendSeparator() {
  ui::backend::AppendSystemMenuSeparator(dialog_.window());
}
void CMenu::AppendItem(unsigned command, std::string_view text) {
  ui::backend::AppendSystemMenuItem(dialog_.window(), command, text);
}
