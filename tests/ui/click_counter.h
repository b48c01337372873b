// A dialog for the backends' tests of how buttons are activated: it counts
// the clicks on one button (MORLA of the main window, or Auto-Detect of the
// server settings) and what the button's check was when each came.
#pragma once

#include <atomic>
#include <span>

#include "res/resource.h"
#include "ui/dialog.h"

class ClickCounter : public CDialog {
 public:
  ClickCounter(int templateId, int buttonId) : CDialog(templateId), buttonId_(buttonId) {}

  std::atomic<int> clicks{0};
  std::atomic<int> checkSeen{-1};

 protected:
  std::span<const MessageMapEntry> GetMessageMap() const override {
    static constexpr MessageMapEntry map[] = {
        OnClicked<&ClickCounter::OnButton>(IDC_MORLA),
        OnClicked<&ClickCounter::OnButton>(IDC_AUTO_DETECT),
    };
    return map;
  }

 private:
  void OnButton() {
    ++clicks;
    checkSeen = IsDlgButtonChecked(buttonId_);
  }
  int buttonId_;
};
