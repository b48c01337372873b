// The controls of a dialog: thin forwards to the backend, by the dialog's
// window and the control's ID.
#include <cassert>

#include "ui/backend.h"
#include "ui/dialog.h"

ui::Window* CControl::window() const {
  assert(dialog_ != nullptr && "control used before DoDataExchange bound it");
  return dialog_->window();
}

void CControl::SetWindowText(std::string_view text) {
  ui::backend::SetControlText(window(), id_, text);
}
std::string CControl::GetWindowText() const {
  return ui::backend::ControlText(window(), id_);
}
void CControl::EnableWindow(bool enable) {
  ui::backend::EnableControl(window(), id_, enable);
}
bool CControl::IsWindowEnabled() const {
  return ui::backend::IsControlEnabled(window(), id_);
}
void CButton::SetCheck(int check) {
  ui::backend::SetControlCheck(window(), GetDlgCtrlID(), check);
}
int CButton::GetCheck() const {
  return ui::backend::ControlCheck(window(), GetDlgCtrlID());
}
void CComboBox::SetCurSel(int index) {
  ui::backend::SetComboSelection(window(), GetDlgCtrlID(), index);
}
int CComboBox::GetCurSel() const {
  return ui::backend::ComboSelection(window(), GetDlgCtrlID());
}
