// How the network server device is reached: automatic detection, or the
// address and TCP port the operator types.
#pragma once

#include "ui/dialog.h"

class CSrvrDlg : public CDialog {
 public:
  CSrvrDlg();

 protected:
  void DoDataExchange() override;
  bool OnInitDialog() override;
  void OnOK() override;
  std::span<const MessageMapEntry> GetMessageMap() const override;

 private:
  void OnAutoDetect();

  CButton m_autoDetect;
  CEdit m_port;
  CEdit m_address;
};
