#include "dialogs/srvr_dlg.h"

#include <string>

#include "res/resource.h"
#include "settings/settings.h"

namespace {

constexpr int kDefaultPort = 5001;

}  // namespace

CSrvrDlg::CSrvrDlg() : CDialog(IDD_SERVER_SETTINGS) {}

void CSrvrDlg::DoDataExchange() {
  BindControl(IDC_AUTO_DETECT, m_autoDetect);
  BindControl(IDC_PORT, m_port);
  BindControl(IDC_IP_ADDRESS, m_address);
}

std::span<const CDialog::MessageMapEntry> CSrvrDlg::GetMessageMap() const {
  static constexpr MessageMapEntry kMap[] = {
      OnClicked<&CSrvrDlg::OnAutoDetect>(IDC_AUTO_DETECT),
  };
  return kMap;
}

bool CSrvrDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_address.EnableWindow(false);
  m_port.EnableWindow(false);
  m_port.SetWindowText(std::to_string(PortNumber));
  // Automatic detection is stored as an empty address.
  if (!IPAddress.empty()) {
    m_autoDetect.SetCheck(0);
    m_address.SetWindowText(IPAddress);
    m_address.EnableWindow(true);
    m_port.EnableWindow(true);
  } else {
    m_autoDetect.SetCheck(1);
  }
  return true;
}

void CSrvrDlg::OnAutoDetect() {
  if (m_autoDetect.GetCheck() != 0) {
    m_address.EnableWindow(false);
    m_port.EnableWindow(false);
    m_port.SetWindowText(std::to_string(kDefaultPort));
    m_address.SetWindowText("");
  } else {
    m_address.EnableWindow(true);
    m_port.EnableWindow(true);
  }
}

void CSrvrDlg::OnOK() {
  if (m_autoDetect.GetCheck() != 0) {
    IPAddress.clear();
    PortNumber = kDefaultPort;
  } else {
    IPAddress = m_address.GetWindowText();
    PortNumber = GetDlgItemInt(IDC_PORT);
  }
  ForgetFileValue(kPortNumberRange);
  SettingsChanged = 1;
  CDialog::OnOK();
}
