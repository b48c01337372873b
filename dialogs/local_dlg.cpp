#include "dialogs/local_dlg.h"

#include <string>

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

namespace {

std::string MustBeBetween(const char* what, const SettingRange& range) {
  return std::string(what) + " must be between " + std::to_string(range.low) + " and " +
         std::to_string(range.high);
}

}  // namespace

void CLocalDlg::OnOK() {
  const int nodeId = GetDlgItemInt(IDC_NODE_ID);
  if (!kNodeIdRange.Holds(nodeId)) {
    MessageBox(MustBeBetween("Node ID", kNodeIdRange), "Node ID Error", kMbOk | kMbIconExclamation);
    return;
  }
  const int deviceNumber = GetDlgItemInt(IDC_DEVICE_NUMBER);
  if (!kDeviceNumberRange.Holds(deviceNumber)) {
    MessageBox(MustBeBetween("Device", kDeviceNumberRange), "Device Number Error",
               kMbOk | kMbIconExclamation);
    return;
  }
  SettingsChanged = 1;
  LocalInit.nodeId = static_cast<std::uint8_t>(nodeId);
  DeviceNumber = deviceNumber;
  DataRate = m_dataRate.GetCurSel();
  Timeouts = m_timeouts.GetCurSel();
  LocalInit.initFlagA = 1;
  LocalInit.naks128 = static_cast<std::uint8_t>(m_naks128.GetCheck());
  for (const SettingRange* stored :
       {&kNodeIdRange, &kDeviceNumberRange, &kDataRateRange, &kTimeoutsRange, &kNaks128Range})
    ForgetFileValue(*stored);
  CDialog::OnOK();
}
