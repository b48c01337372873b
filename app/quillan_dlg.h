// The main window: the adapter type, its settings, connect and disconnect,
// the receive window, and the exit path that offers to save the settings.
#pragma once

#include "settings/settings.h"
#include "ui/dialog.h"

class CQuillanDlg : public CDialog, private SettingsPrompt {
 public:
  CQuillanDlg();

  virtual void SaveSettings();
  virtual void LoadSettings();

 protected:
  void DoDataExchange() override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  // Log-off or shut-down, after the receive window's capture has ended:
  // the adapter goes off line; nothing is asked and nothing saved.
  void OnEndSession() override;
  bool OnSysCommand(unsigned command) override;
  void OnPaint() override;
  IconHandle OnQueryDragIcon() override;
  std::span<const MessageMapEntry> GetMessageMap() const override;

 private:
  void OnConnect();
  void OnSettings();
  void OnReceive();
  // Com20020Exit, and the window as before Connect.
  void TakeOffline();
  // The adapter type and its settings can be changed only while off line.
  void EnableAdapterChoice(bool enable);
  // Exit, Enter, Escape, the close box and Close all come here.
  void TakeOfflineAndOfferSave();

  // What the settings' save needs of this window.
  int CheckState(int controlId) override { return IsDlgButtonChecked(controlId); }
  bool AskYesNo(const char* text, const char* caption) override;
  void ShowError(const std::string& text, const char* caption) override;

  CButton m_vornex;
  CButton m_morla;
  CButton m_usb;
  CStatic m_nodeIdText;
  CStatic m_status;
  CButton m_settings;
  CButton m_receive;
  CButton m_connect;
  IconHandle m_hIcon;
};
