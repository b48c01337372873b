// The framework's message boxes: owned by the dialog named or the active
// one, recorded once for every backend, and a close request held back
// while one is up.
#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/input.h"
#include "ui/modal.h"
#include "ui/ui_thread.h"

namespace ui {

namespace {

int openMessageBoxes = 0;

}  // namespace

bool MessageBoxOpen() {
  return openMessageBoxes > 0;
}

int ShowMessageBox(CDialog* owner, std::string_view text, std::string_view caption,
                   unsigned flags) {
  const std::vector<CDialog*>& running = RunningDialogs();
  if ((owner == nullptr || owner->window() == nullptr) && !running.empty()) owner = running.back();
  Window* ownerWindow = owner != nullptr ? owner->window() : nullptr;
  const automation::MessageBoxInfo box{std::string(text), std::string(caption), flags,
                                       ownerWindow != nullptr ? owner->templateId() : 0};
  InputLevel takesInput(true);
  ++openMessageBoxes;
  const int answer = backend::ShowMessageBox(ownerWindow, box);
  --openMessageBoxes;
  // A close request that came while the box was up goes on now.
  PostToUiThread(CloseTowardRequest);
  return answer;
}

}  // namespace ui

int CDialog::MessageBox(std::string_view text, std::string_view caption, unsigned flags) {
  return ui::ShowMessageBox(this, text, caption, flags);
}

int AfxMessageBox(std::string_view text, unsigned flags) {
  const CWinApp* app = CWinApp::Current();
  return ui::ShowMessageBox(nullptr, text, app != nullptr ? app->m_pszAppName : "", flags);
}
