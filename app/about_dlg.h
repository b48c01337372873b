// The About box, opened from the main window's system menu.
#pragma once

#include "res/resource.h"
#include "ui/dialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};
