#include "ui/app_main.h"

#include "ui/dialog.h"
#include "ui/ui_thread.h"

int AfxWinMain(int argc, char** argv) {
  ui::RunAsUiThread(argc, argv, [] {
    if (CWinApp* app = CWinApp::Current()) app->InitInstance();
  });
  return 0;
}
