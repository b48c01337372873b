#include "ui/app_main.h"

#include "ui/backend.h"
#include "ui/dialog.h"

int AfxWinMain(int argc, char** argv) {
  ui::backend::BeginUiThread(argc, argv);
  if (CWinApp* app = CWinApp::Current()) app->InitInstance();
  ui::backend::EndUiThread();
  return 0;
}
