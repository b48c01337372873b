#include "ui/dialog.h"

#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/program.h"
#include "res/resource.h"
#include "ui/backend.h"
#include "ui/ui_thread.h"

namespace {

CWinApp* currentApp = nullptr;

}  // namespace

// ---- CControl and its kinds: thin forwards to the dialog's window.

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

void CMenu::AppendSeparator() {
  ui::backend::AppendSystemMenuSeparator(dialog_.window());
}
void CMenu::AppendItem(unsigned command, std::string_view text) {
  ui::backend::AppendSystemMenuItem(dialog_.window(), command, text);
}

// ---- CDialog

CDialog::CDialog(int templateId, CDialog* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
  assert(window_ == nullptr && "dialog destroyed while it runs");
}

int CDialog::DoModal() {
  assert(ui::IsUiThread());
  CDialog* owner = parent_;
  if (owner == nullptr && CWinApp::Current() != nullptr && CWinApp::Current()->m_pMainWnd != this)
    owner = CWinApp::Current()->m_pMainWnd;
  window_ = ui::backend::CreateDialogWindow(*this, res::DialogTemplateById(templateId_),
                                            owner != nullptr ? owner->window_ : nullptr);
  const int result = ui::backend::RunModal(window_);
  ui::backend::DestroyDialogWindow(window_);
  window_ = nullptr;
  return result;
}

void CDialog::EndDialog(int result) {
  ui::backend::EndModal(window_, result);
}

void CDialog::SetDlgItemText(int id, std::string_view text) {
  ui::backend::SetControlText(window_, id, text);
}

std::string CDialog::GetDlgItemText(int id) const {
  return ui::backend::ControlText(window_, id);
}

void CDialog::SetDlgItemInt(int id, int value) {
  SetDlgItemText(id, std::to_string(value));
}

int CDialog::GetDlgItemInt(int id) const {
  // strtol's reading: leading blanks, a sign, then digits up to the first
  // other character; a number out of range reads 0, like no number at all.
  const std::string text = GetDlgItemText(id);
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || errno == ERANGE || value < INT_MIN || value > INT_MAX) return 0;
  return static_cast<int>(value);
}

void CDialog::EnableDlgItem(int id, bool enable) {
  ui::backend::EnableControl(window_, id, enable);
}
void CDialog::CheckDlgButton(int id, int check) {
  ui::backend::SetControlCheck(window_, id, check);
}
int CDialog::IsDlgButtonChecked(int id) const {
  return ui::backend::ControlCheck(window_, id);
}

int CDialog::GetCheckedRadioButton(int firstId, int lastId) const {
  for (int id = firstId; id <= lastId; ++id)
    if (IsDlgButtonChecked(id) != 0) return id;
  return 0;
}

int CDialog::MessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  return ui::backend::ShowMessageBox(window_, text, caption, flags);
}

CMenu* CDialog::GetSystemMenu() {
  return ui::backend::HasSystemMenu(window_) ? &systemMenu_ : nullptr;
}

void CDialog::SetIcon(IconHandle icon, bool bigIcon) {
  ui::backend::SetWindowIcon(window_, icon.resourceId, bigIcon);
}

void CDialog::PostToWindow(std::function<void()> work) {
  ui::backend::PostToWindow(window_, std::move(work));
}

void CDialog::BindControl(int id, CControl& control) {
  assert(res::DialogTemplateById(templateId_).Find(id) != nullptr && "no such control");
  control.dialog_ = this;
  control.id_ = id;
}

bool CDialog::OnInitDialog() {
  DoDataExchange();
  return true;
}

void CDialog::OnOK() {
  EndDialog(IDOK);
}
void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}
void CDialog::OnSysCommand(unsigned command) {
  ui::backend::DefaultSysCommand(window_, command);
}

template <class F>
void CDialog::Guarded(const char* where, F&& f) {
  // Nothing may unwind into a backend's event loop; what cannot be handled
  // here is a fault of the program, so say so and stop.
  try {
    f();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarnwick: unhandled exception in %s: %s\n", where, e.what());
    std::abort();
  } catch (...) {
    std::fprintf(stderr, "tarnwick: unhandled exception in %s\n", where);
    std::abort();
  }
}

bool CDialog::HandleInitDialog() {
  bool focusFirst = true;
  Guarded("OnInitDialog", [&] { focusFirst = OnInitDialog(); });
  return focusFirst;
}

void CDialog::HandleCommand(int id) {
  Guarded("a command handler", [&] {
    // The dialog's own map first, so it can take over IDOK and IDCANCEL.
    for (const MessageMapEntry& entry : GetMessageMap()) {
      if (entry.id == id) return entry.handler(*this);
    }
    if (id == IDOK) return OnOK();
    if (id == IDCANCEL) return OnCancel();
  });
}

void CDialog::HandleSysCommand(unsigned command) {
  Guarded("OnSysCommand", [&] { OnSysCommand(command); });
}

// ---- CWinApp

CWinApp::CWinApp(const char* appName)
    : m_pszAppName(appName != nullptr ? appName : platform::ProgramName()) {
  assert(currentApp == nullptr && "one application object per program");
  currentApp = this;
}

CWinApp::~CWinApp() {
  currentApp = nullptr;
}

CWinApp* CWinApp::Current() {
  return currentApp;
}

int AfxMessageBox(std::string_view text, unsigned flags) {
  const CWinApp* app = CWinApp::Current();
  return ui::backend::ShowMessageBox(nullptr, text, app != nullptr ? app->m_pszAppName : "", flags);
}

// ---- Cross-thread work

namespace ui {

bool IsUiThread() {
  return backend::IsUiThread();
}

void PostToUiThread(std::function<void()> work) {
  backend::PostToUiThread(std::move(work));
}

void PumpWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll) {
  backend::PumpWhile(busy, poll);
}

}  // namespace ui
