// The local adapter's settings (USB adapter or PCI card): node ID, device
// number, data rate, extended timeouts and the 128-NAKs option.
#pragma once

#include "ui/dialog.h"

class CLocalDlg : public CDialog {
 public:
  CLocalDlg();

 protected:
  void DoDataExchange() override;
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  CButton m_naks128;
  CComboBox m_timeouts;
  CEdit m_nodeId;
  CEdit m_deviceNumber;
  CComboBox m_dataRate;
};
