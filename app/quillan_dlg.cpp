#include "app/quillan_dlg.h"

#include <string>

#include "adapter/com20020.h"
#include "app/about_dlg.h"
#include "connect/connect.h"
#include "dialogs/local_dlg.h"
#include "dialogs/srvr_dlg.h"
#include "receive/rx_dlg.h"
#include "res/resource.h"
#include "res/templates.h"
#include "settings/settings.h"

CQuillanDlg::CQuillanDlg()
    : CDialog(IDD_TARNWICK_DIALOG), m_hIcon(CWinApp::Current()->LoadIcon(IDR_MAINFRAME)) {}

void CQuillanDlg::DoDataExchange() {
  BindControl(IDC_VORNEX, m_vornex);
  BindControl(IDC_MORLA, m_morla);
  BindControl(IDC_USB, m_usb);
  BindControl(IDC_NODE_ID_TEXT, m_nodeIdText);
  BindControl(IDC_STATUS, m_status);
  BindControl(IDC_SETTINGS, m_settings);
  BindControl(IDC_RECEIVE, m_receive);
  BindControl(IDC_CONNECT, m_connect);
}

std::span<const CDialog::MessageMapEntry> CQuillanDlg::GetMessageMap() const {
  static constexpr MessageMapEntry kMap[] = {
      OnClicked<&CQuillanDlg::OnConnect>(IDC_CONNECT),
      OnClicked<&CQuillanDlg::OnSettings>(IDC_SETTINGS),
      OnClicked<&CQuillanDlg::OnReceive>(IDC_RECEIVE),
  };
  return kMap;
}

bool CQuillanDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  if (CMenu* menu = GetSystemMenu()) {
    const std::string_view about = res::StringResource(IDS_ABOUTBOX);
    if (!about.empty()) {
      menu->AppendSeparator();
      menu->AppendItem(IDM_ABOUTBOX, about);
    }
  }
  SetIcon(m_hIcon, true);
  SetIcon(m_hIcon, false);

  m_status.SetWindowText("Status: OFFLINE");
  m_nodeIdText.EnableWindow(false);

  LoadSettings();
  // Each marked type is checked by itself, none cleared: a file that marks
  // several types shows them all.
  if (LoadedKesta == 1) m_usb.SetCheck(1);
  if (LoadedMorla == 1) m_morla.SetCheck(1);
  if (LoadedVornex == 1) m_vornex.SetCheck(1);

  Connected = 0;
  SettingsChanged = 0;
  return true;
}

bool CQuillanDlg::OnSysCommand(unsigned command) {
  if ((command & 0xFFF0) != IDM_ABOUTBOX) return CDialog::OnSysCommand(command);
  CAboutDlg about;
  about.DoModal();
  return true;
}

void CQuillanDlg::OnPaint() {
  if (!IsIconic()) return CDialog::OnPaint();
  PaintMinimizedIcon(m_hIcon);
}

// What the desktop shows while the minimised window is dragged.
IconHandle CQuillanDlg::OnQueryDragIcon() {
  return m_hIcon;
}

void CQuillanDlg::OnConnect() {
  if (Connected) return TakeOffline();

  // Only VORNEX and USB are read: with neither checked the card is the PCI one.
  const InitOutcome outcome = InitAdapter(m_vornex.GetCheck() != 0, m_usb.GetCheck() != 0);
  if (const std::string failure = InitFailureText(outcome); !failure.empty()) {
    MessageBox(failure, "Connect Failure", kMbOk | kMbIconExclamation);
    return;
  }
  m_nodeIdText.SetWindowText("Node ID: " + std::to_string(outcome.nodeId));
  m_receive.EnableWindow(true);
  m_nodeIdText.EnableWindow(true);
  EnableAdapterChoice(false);
  m_status.SetWindowText("Status: ONLINE");
  m_connect.SetWindowText("Disconnect");
  Connected = 1;
}

void CQuillanDlg::TakeOffline() {
  Com20020Exit();
  m_status.SetWindowText("Status: OFFLINE");
  m_nodeIdText.SetWindowText("Node ID:");
  m_nodeIdText.EnableWindow(false);
  m_connect.SetWindowText("Connect");
  m_receive.EnableWindow(false);
  EnableAdapterChoice(true);
  Connected = 0;
}

void CQuillanDlg::EnableAdapterChoice(bool enable) {
  m_settings.EnableWindow(enable);
  m_usb.EnableWindow(enable);
  m_morla.EnableWindow(enable);
  m_vornex.EnableWindow(enable);
}

void CQuillanDlg::OnSettings() {
  switch (GetCheckedRadioButton(IDC_USB, IDC_VORNEX)) {
    case IDC_USB:
    case IDC_MORLA: {
      CLocalDlg dlg;
      dlg.DoModal();
      break;
    }
    case IDC_VORNEX: {
      CSrvrDlg dlg;
      dlg.DoModal();
      break;
    }
    default:
      break;  // no adapter type chosen
  }
}

void CQuillanDlg::OnReceive() {
  CRxDlg dlg;
  dlg.DoModal();
  // An adapter that went away stays nominally on line in the library; off
  // line is what it is, and Connect is what brings it back.
  if (dlg.adapterLost()) TakeOffline();
}

void CQuillanDlg::TakeOfflineAndOfferSave() {
  // The receive window waits for its capture to end before it closes, and
  // this window takes no input while it is open: no capture runs here.
  if (Connected) Com20020Exit();
  SaveSettings();
}

void CQuillanDlg::OnOK() {
  TakeOfflineAndOfferSave();
  CDialog::OnOK();
}

void CQuillanDlg::OnCancel() {
  TakeOfflineAndOfferSave();
  CDialog::OnCancel();
}

void CQuillanDlg::OnEndSession() {
  if (Connected) Com20020Exit();
  Connected = 0;
}

void CQuillanDlg::LoadSettings() {
  ::LoadSettings();
}

void CQuillanDlg::SaveSettings() {
  ::SaveSettings(*this);
}

bool CQuillanDlg::AskYesNo(const char* text, const char* caption) {
  return MessageBox(text, caption, kMbYesNo | kMbIconQuestion) == kIdYes;
}

void CQuillanDlg::ShowError(const std::string& text, const char* caption) {
  MessageBox(text, caption, kMbOk | kMbIconExclamation);
}
