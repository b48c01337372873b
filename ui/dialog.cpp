#include "ui/dialog.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

#include "ui/backend.h"
#include "ui/input.h"
#include "ui/modal.h"
#include "ui/ui_thread.h"

namespace {

const ui::Resources& AppResources() {
  assert(CWinApp::Current() != nullptr && "dialogs run inside an application object");
  return CWinApp::Current()->resources();
}

const ui::IconResource& IconOf(IconHandle icon) {
  const ui::IconResource* resource = AppResources().FindIcon(icon.resourceId);
  assert(resource != nullptr && "an icon from CWinApp::LoadIcon");
  return *resource;
}

}  // namespace

// One step toward a close request: the innermost running dialog is asked to
// close as its Cancel would, unless it is ending already or a message box
// waits for the operator; the next step comes when it has ended.
void CloseTowardRequest() {
  std::vector<CDialog*>& runningDialogs = ui::RunningDialogs();
  if (runningDialogs.empty() || ui::MessageBoxOpen()) return;
  if (std::none_of(runningDialogs.begin(), runningDialogs.end(),
                   [](const CDialog* dialog) { return dialog->closeRequested_; }))
    return;
  CDialog* innermost = runningDialogs.back();
  if (innermost->closing_ || innermost->ending_) return;
  innermost->closeRequested_ = false;
  innermost->closing_ = true;
  innermost->HandleCommand(IDCANCEL);
  innermost->closing_ = false;
}

CDialog::CDialog(int templateId, CDialog* parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
  assert(window_ == nullptr && "dialog destroyed while it runs");
}

int CDialog::DoModal() {
  assert(ui::IsUiThread());
  template_ = AppResources().FindDialog(templateId_);
  assert(template_ != nullptr && "no dialog template with this ID");
  CDialog* owner = parent_;
  if (owner == nullptr && CWinApp::Current()->m_pMainWnd != this)
    owner = CWinApp::Current()->m_pMainWnd;
  window_ = ui::backend::CreateDialogWindow(*this, *template_,
                                            owner != nullptr ? owner->window_ : nullptr);
  *windowOpen_ = true;
  ending_ = false;
  sessionEnded_ = false;
  std::vector<CDialog*>& runningDialogs = ui::RunningDialogs();
  runningDialogs.push_back(this);
  int result = 0;
  {
    ui::InputLevel takesInput(true);
    result = ui::backend::RunModal(window_);
  }
  std::erase(runningDialogs, this);
  closeRequested_ = false;
  *windowOpen_ = false;
  ui::backend::DestroyDialogWindow(window_);
  window_ = nullptr;
  // The dialog below goes on closing, from its own loop.
  if (!runningDialogs.empty()) ui::PostToUiThread(CloseTowardRequest);
  return result;
}

void CDialog::EndDialog(int result) {
  ending_ = true;
  ui::backend::EndModal(window_, result);
}

const ui::DialogTemplate& CDialog::dialogTemplate() const {
  assert(template_ != nullptr && "the dialog has not run");
  return *template_;
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

CMenu* CDialog::GetSystemMenu() {
  return ui::backend::HasSystemMenu(window_) ? &systemMenu_ : nullptr;
}

void CDialog::SetIcon(IconHandle icon, bool bigIcon) {
  ui::backend::SetWindowIcon(window_, IconOf(icon), bigIcon);
}

bool CDialog::IsIconic() const {
  return ui::backend::IsMinimized(window_);
}

void CDialog::PaintMinimizedIcon(IconHandle icon) {
  assert(paint_ != nullptr && "painting is for OnPaint");
  // Signed division, truncating toward zero: a minimised window's client
  // area may be smaller than the icon.
  const ui::backend::Size client = paint_->ClientSize();
  const ui::backend::Size size = paint_->IconSize();
  paint_->PaintIcon((client.width - size.width + 1) / 2, (client.height - size.height + 1) / 2,
                    IconOf(icon));
}

void CDialog::PostToWindow(std::function<void()> work) {
  // The flag is read on the UI thread, where it is written: work that comes
  // after the window has closed finds it false, and this object is never
  // touched through `work` then.
  ui::PostToUiThread([open = windowOpen_, work = std::move(work)] {
    if (*open) work();
  });
}

void CDialog::BindControl(int id, CControl& control) {
  assert(dialogTemplate().Find(id) != nullptr && "no such control");
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
bool CDialog::OnSysCommand(unsigned) {
  return false;
}
void CDialog::OnPaint() {
  platformPaints_ = true;
}
IconHandle CDialog::OnQueryDragIcon() {
  return {};
}

bool CDialog::HandleInitDialog() {
  bool focusFirst = true;
  ui::RunGuarded("OnInitDialog", [&] { focusFirst = OnInitDialog(); });
  return focusFirst;
}

void CDialog::HandleCommand(int id) {
  ui::RunGuarded("a command handler", [&] {
    // The dialog's own map first, so it can take over IDOK and IDCANCEL.
    for (const MessageMapEntry& entry : GetMessageMap()) {
      if (entry.id == id) return entry.handler(*this);
    }
    if (id == IDOK) return OnOK();
    if (id == IDCANCEL) return OnCancel();
  });
}

bool CDialog::HandleSysCommand(unsigned command) {
  bool handled = false;
  ui::RunGuarded("OnSysCommand", [&] { handled = OnSysCommand(command); });
  return handled;
}

bool CDialog::HandlePaint(ui::backend::MinimizedPaint& paint) {
  platformPaints_ = false;
  paint_ = &paint;
  ui::RunGuarded("OnPaint", [&] { OnPaint(); });
  paint_ = nullptr;
  return !platformPaints_;
}

IconHandle CDialog::HandleQueryDragIcon() {
  IconHandle icon;
  ui::RunGuarded("OnQueryDragIcon", [&] { icon = OnQueryDragIcon(); });
  return icon;
}

void CDialog::HandleCloseRequest() {
  closeRequested_ = true;
  CloseTowardRequest();
}

void CDialog::HandleEndSession() {
  // Every top-level window hears of it: each dialog acts once.
  const std::vector<CDialog*> dialogs = ui::RunningDialogs();
  for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
    CDialog* dialog = *it;
    if (std::exchange(dialog->sessionEnded_, true)) continue;
    ui::RunGuarded("OnEndSession", [dialog] { dialog->OnEndSession(); });
  }
}
