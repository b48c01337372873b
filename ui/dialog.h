// The dialog framework the system is written against: modal dialogs built
// from the templates in res/, controls bound by ID, commands dispatched
// through message maps keyed by control ID, message boxes, the system menu.
// Each backend (ui/fake, ui/qt, ui/win32) supplies the windows behind it.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace ui {
struct Window;  // a backend's window; exists while a dialog runs
}

// Message box styles and answers, with the values Windows gives them.
enum MessageBoxFlags : unsigned {
  kMbOk = 0x0,
  kMbYesNo = 0x4,
  kMbIconQuestion = 0x20,
  kMbIconExclamation = 0x30,
};
enum MessageBoxAnswer : int {
  kIdOk = 1,
  kIdYes = 6,
  kIdNo = 7,
};

// System commands that the framework handles by default.
inline constexpr unsigned kScClose = 0xF060;

class CDialog;

// A control of a dialog, bound to it by ID in DoDataExchange.
class CControl {
 public:
  CControl() = default;
  CControl(const CControl&) = delete;
  CControl& operator=(const CControl&) = delete;

  void SetWindowText(std::string_view text);
  std::string GetWindowText() const;
  void EnableWindow(bool enable = true);
  bool IsWindowEnabled() const;
  int GetDlgCtrlID() const { return id_; }

 protected:
  ui::Window* window() const;

 private:
  friend class CDialog;
  CDialog* dialog_ = nullptr;
  int id_ = 0;
};

class CButton : public CControl {
 public:
  void SetCheck(int check);
  int GetCheck() const;
};

class CStatic : public CControl {};
class CEdit : public CControl {};

class CComboBox : public CControl {
 public:
  void SetCurSel(int index);  // an index outside the list leaves no selection
  int GetCurSel() const;      // -1 when nothing is selected
};

// The window's system menu, reached through CDialog::GetSystemMenu.
class CMenu {
 public:
  void AppendSeparator();
  void AppendItem(unsigned command, std::string_view text);

 private:
  friend class CDialog;
  explicit CMenu(CDialog& dialog) : dialog_(dialog) {}
  CDialog& dialog_;
};

// An icon resource, loaded by CWinApp::LoadIcon.
struct IconHandle {
  int resourceId = 0;
};

class CDialog {
 public:
  // A dialog with no parent is owned by the application's main window.
  explicit CDialog(int templateId, CDialog* parent = nullptr);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Creates the window from the template and runs it modally: every other
  // window takes no input until EndDialog. Returns EndDialog's result.
  int DoModal();
  void EndDialog(int result);

  int templateId() const { return templateId_; }
  ui::Window* window() const { return window_; }

  // Controls by ID, as the Windows functions of the same names.
  void SetDlgItemText(int id, std::string_view text);
  std::string GetDlgItemText(int id) const;
  void SetDlgItemInt(int id, int value);
  // The text read as a signed decimal number (leading blanks, a sign and the
  // digits that follow); 0 when it does not start with a number.
  int GetDlgItemInt(int id) const;
  void EnableDlgItem(int id, bool enable);
  void CheckDlgButton(int id, int check);
  int IsDlgButtonChecked(int id) const;
  // The first checked button in [firstId, lastId] by ascending ID, 0 if none.
  int GetCheckedRadioButton(int firstId, int lastId) const;

  // A message box owned by this dialog; returns the answer (kIdOk, kIdYes...).
  int MessageBox(std::string_view text, std::string_view caption, unsigned flags);

  // Null when the template has no system menu.
  CMenu* GetSystemMenu();
  void SetIcon(IconHandle icon, bool bigIcon);

  // Work for the UI thread from any thread, without waiting. Dropped if this
  // dialog's window is gone by the time the UI thread gets to it.
  void PostToWindow(std::function<void()> work);

  // Entry points of the backends: where input reaches the dialog. No
  // exception leaves them.
  bool HandleInitDialog();
  void HandleCommand(int id);
  void HandleSysCommand(unsigned command);

 protected:
  struct MessageMapEntry {
    int id;
    void (*handler)(CDialog&);
  };

  // A message-map entry for a click on control `id`: OnClicked<&CMyDlg::OnFoo>(IDC_FOO).
  template <auto Handler>
  static constexpr MessageMapEntry OnClicked(int id) {
    return {id, [](CDialog& dialog) { (static_cast<ClassOf<Handler>&>(dialog).*Handler)(); }};
  }

  virtual void DoDataExchange() {}
  virtual bool OnInitDialog();  // binds the controls; true puts the focus on the first tab stop
  virtual void OnOK();          // ends the dialog with IDOK
  virtual void OnCancel();      // ends the dialog with IDCANCEL
  virtual void OnSysCommand(unsigned command);  // the platform's default handling
  virtual std::span<const MessageMapEntry> GetMessageMap() const { return {}; }

  void BindControl(int id, CControl& control);

 private:
  template <class T>
  struct MemberClass;
  template <class C>
  struct MemberClass<void (C::*)()> {
    using type = C;
  };
  template <auto M>
  using ClassOf = typename MemberClass<decltype(M)>::type;

  template <class F>
  void Guarded(const char* where, F&& f);

  int templateId_;
  CDialog* parent_;
  ui::Window* window_ = nullptr;
  CMenu systemMenu_{*this};
};

// The application object: one per program, constructed before start-up.
class CWinApp {
 public:
  // Without a name of its own the application is named after its program file.
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up. Returning false ends the program instead of running a message
  // loop of the framework's own.
  virtual bool InitInstance() { return false; }

  IconHandle LoadIcon(int resourceId) const { return {resourceId}; }

  static CWinApp* Current();

  std::string m_pszAppName;
  CDialog* m_pMainWnd = nullptr;
};

// A message box owned by no window, captioned with the application's name.
int AfxMessageBox(std::string_view text, unsigned flags);
