#include "dialogs/local_dlg.h"

#include "adapter/init_blocks.h"
#include "res/resource.h"
#include "settings/settings.h"

CLocalDlg::CLocalDlg() : CDialog(IDD_LOCAL_SETTINGS) {}

void CLocalDlg::DoDataExchange() {
  BindControl(IDC_128NAKS, m_naks128);
  BindControl(IDC_TIMEOUTS, m_timeouts);
  BindControl(IDC_NODE_ID, m_nodeId);
  BindControl(IDC_DEVICE_NUMBER, m_deviceNumber);
  BindControl(IDC_DATA_RATE, m_dataRate);
}

bool CLocalDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemInt(IDC_NODE_ID, LocalInit.nodeId);
  SetDlgItemInt(IDC_DEVICE_NUMBER, DeviceNumber);
  m_dataRate.SetCurSel(DataRate);  // an index outside the list selects nothing
  m_timeouts.SetCurSel(Timeouts);
  m_naks128.SetCheck(LocalInit.naks128);
  return true;
}

void CLocalDlg::OnOK() {
  // Unsigned comparisons: negative numbers fail them too.
  const int nodeId = GetDlgItemInt(IDC_NODE_ID);
  if (static_cast<unsigned>(nodeId) - 1u > 254u) {
    MessageBox("Node ID must be between 1 and 255", "Node ID Error", kMbOk | kMbIconExclamation);
    return;
  }
  const int deviceNumber = GetDlgItemInt(IDC_DEVICE_NUMBER);
  if (static_cast<unsigned>(deviceNumber) > 7u) {
    MessageBox("Device must be between 0 and 7", "Device Number Error", kMbOk | kMbIconExclamation);
    return;
  }
  SettingsChanged = 1;
  LocalInit.nodeId = static_cast<std::uint8_t>(nodeId);
  DeviceNumber = deviceNumber;
  DataRate = m_dataRate.GetCurSel();
  Timeouts = m_timeouts.GetCurSel();
  LocalInit.initFlagA = 1;
  LocalInit.naks128 = static_cast<std::uint8_t>(m_naks128.GetCheck());
  CDialog::OnOK();
}
