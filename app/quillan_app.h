// The application object: start-up brings up the sockets layer, writes the
// sample capture file and runs the main window; the program ends when it
// closes.
#pragma once

#include "ui/dialog.h"

class CQuillanApp : public CWinApp {
 public:
  CQuillanApp();
  bool InitInstance() override;
};
