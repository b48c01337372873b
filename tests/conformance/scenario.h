// What the conformance scenarios share: running a dialog as the program's
// main window while a driver works it through ui/automation.h.
#pragma once

#include <functional>
#include <gtest/gtest.h>

#include "res/templates.h"
#include "ui/automation.h"
#include "ui/dialog.h"

namespace conformance {

inline constexpr const char* kAppName = "Probe";

// Runs `dialog` modally as the main window of an application named kAppName,
// and `driver` on a thread of its own once that window takes input; returns
// the dialog's result (IDCANCEL when the driver leaves it open).
inline int RunAsMainWindow(CDialog& dialog, const std::function<void()>& driver) {
  int result = -1;
  ui::automation::RunScenario(
      [&] {
        CWinApp app(res::Resources(), kAppName);
        app.m_pMainWnd = &dialog;
        result = dialog.DoModal();
      },
      [&] {
        if (ui::automation::WaitForWindow(dialog.templateId()))
          driver();
        else
          ADD_FAILURE() << "window " << dialog.templateId() << " never took input";
      });
  return result;
}

}  // namespace conformance
