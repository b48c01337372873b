#include "app/quillan_app.h"

#include "app/quillan_dlg.h"
#include "capture/sample_capture.h"
#include "platform/signals.h"
#include "platform/sockets.h"
#include "res/resource.h"
#include "res/templates.h"

// The framework builds the windows from the program's templates and icon.
CQuillanApp::CQuillanApp() : CWinApp(res::Resources()) {}

bool CQuillanApp::InitInstance() {
  // A capture file that cannot be written (a full disk, a FIFO whose reader
  // left, ulimit -f) is reported to the operator, never a silent end.
  platform::ReportFailedWritesAsErrors();
  if (!platform::StartSockets()) {
    AfxMessageBox(res::StringResource(IDS_SOCKETS_INIT_FAILED), kMbOk | kMbIconExclamation);
    return false;
  }
  WriteSampleCapture();

  CQuillanDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal();
  m_pMainWnd = nullptr;
  // False: the program ends here rather than in a message loop of its own.
  return false;
}
