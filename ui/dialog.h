// The dialog framework the system is written against: modal dialogs built
// from the templates the application hands it, controls bound by ID,
// commands dispatched through message maps keyed by control ID, message
// boxes, the system menu, icons and painting. Each backend (ui/fake, ui/qt,
// ui/win32) supplies the windows behind it (ui/backend.h).
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "ui/resources.h"

namespace ui {
struct Window;  // a backend's window; exists while a dialog runs
}  // namespace ui
namespace ui::backend {
class MinimizedPaint;  // a backend's paint of a minimised window
}  // namespace ui::backend

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
// A box's buttons are the low four bits of its flags, its icon the next four.
constexpr bool AsksYesNo(unsigned flags) {
  return (flags & 0x0F) == kMbYesNo;
}
// The answer of a box closed without a button pressed: No where it asks Yes
// or No, else OK.
constexpr int DismissedAnswer(unsigned flags) {
  return AsksYesNo(flags) ? kIdNo : kIdOk;
}

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

// An icon of the application's resources, from CWinApp::LoadIcon; resource
// ID 0 is no icon.
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
  // While the dialog runs: its window and the template it was built from.
  ui::Window* window() const { return window_; }
  const ui::DialogTemplate& dialogTemplate() const;

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

  // Painting, for OnPaint. Whether the window is minimised (a member here,
  // where Windows has a function: windows.h declares that one).
  bool IsIconic() const;
  // Paints the minimised window: the background behind the icon, then the
  // icon at the system's icon size in the middle of the client area. Only
  // from OnPaint.
  void PaintMinimizedIcon(IconHandle icon);

  // Work for the UI thread from any thread, without waiting. Dropped if this
  // dialog's window is gone by the time the UI thread gets to it (or was
  // never open), so it never runs on a closed window.
  void PostToWindow(std::function<void()> work);

  // Entry points of the backends: where what the platform delivers reaches
  // the dialog. No exception leaves them.
  bool HandleInitDialog();  // true: the focus goes to the first tab stop
  void HandleCommand(int id);
  bool HandleSysCommand(unsigned command);  // false: the platform's default applies
  // false: the platform paints the window itself.
  bool HandlePaint(ui::backend::MinimizedPaint& paint);
  IconHandle HandleQueryDragIcon();  // no icon: the platform's default
  // A request from outside to close the window, whatever runs above it
  // (Windows' WM_CLOSE from End task or taskkill). The modal dialogs above
  // it end first, innermost first, each as its own Cancel ends it (once,
  // however often the request comes); then this one's Cancel runs, once.
  void HandleCloseRequest();
  // The session is ending (log-off, shut-down): every running dialog,
  // innermost first, does what cannot wait, without asking anything. The
  // process may be ended as soon as this returns.
  static void HandleEndSession();

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
  // True when the dialog handled the command; false leaves it to the
  // platform (on Windows DefWindowProc, elsewhere Close ends with IDCANCEL).
  virtual bool OnSysCommand(unsigned command);
  // WM_PAINT; this one leaves the painting to the platform.
  virtual void OnPaint();
  // WM_QUERYDRAGICON: what to show while the minimised window is dragged;
  // no icon leaves it to the platform.
  virtual IconHandle OnQueryDragIcon();
  // The session ends: finish what must not be cut off; ask nothing, show
  // nothing. This one does nothing.
  virtual void OnEndSession() {}
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

  int templateId_;
  CDialog* parent_;
  const ui::DialogTemplate* template_ = nullptr;
  ui::Window* window_ = nullptr;
  CMenu systemMenu_{*this};
  bool platformPaints_ = false;                   // set by CDialog::OnPaint during HandlePaint
  ui::backend::MinimizedPaint* paint_ = nullptr;  // during HandlePaint
  // Close requests, on the UI thread: one waits for the dialogs above this
  // one to end; this one's Cancel runs for a request, not yet returned.
  bool closeRequested_ = false;
  bool closing_ = false;
  bool ending_ = false;        // EndDialog was called in this run
  bool sessionEnded_ = false;  // OnEndSession has run in this run
  friend void CloseTowardRequest();
  // True while the window is open; read and written on the UI thread only.
  // Work posted to the window holds it, so it outlives this object.
  const std::shared_ptr<bool> windowOpen_ = std::make_shared<bool>(false);
};

// The application object: one per program, constructed before start-up. It
// holds the program's resources, from which the framework builds every
// window.
class CWinApp {
 public:
  // Without a name of its own the application is named after its program file.
  explicit CWinApp(const ui::Resources& resources, const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  // Start-up. Returning false ends the program instead of running a message
  // loop of the framework's own.
  virtual bool InitInstance() { return false; }

  // No icon (resource ID 0) when the resources have none with this ID.
  IconHandle LoadIcon(int resourceId) const;

  const ui::Resources& resources() const { return resources_; }
  static CWinApp* Current();

  std::string m_pszAppName;
  CDialog* m_pMainWnd = nullptr;

 private:
  const ui::Resources& resources_;
};

// A message box owned by the active dialog (none when no dialog runs),
// captioned with the application's name.
int AfxMessageBox(std::string_view text, unsigned flags);
