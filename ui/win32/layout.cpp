// The template as a DLGTEMPLATEEX in memory, for the platform's dialog
// manager to build the window and its controls from: it converts dialog
// units with the template's font, keeps the tab order, the groups and the
// default button, and lays out exactly what a resource script would.
#include <cassert>

#include "ui/dialog.h"
#include "ui/win32/state.h"

namespace ui::win32 {

namespace {

using enum ControlKind;

// The predefined window classes, by the atoms a template names them with.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kComboBoxClass = 0x0085;

class TemplateWriter {
 public:
  void Word(WORD value) { Put(&value, sizeof value); }
  void Dword(DWORD value) { Put(&value, sizeof value); }
  void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
  void Byte(BYTE value) { bytes_.push_back(value); }
  // A text ending in a 0 character; an empty one is the 0 alone.
  void Text(std::string_view utf8) {
    for (wchar_t c : platform::ToUtf16(utf8)) Word(static_cast<WORD>(c));
    Word(0);
  }
  // A resource named by number instead of a text.
  void Ordinal(WORD number) {
    Word(0xFFFF);
    Word(number);
  }
  void AlignToDword() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  std::vector<BYTE> Take() { return std::move(bytes_); }

 private:
  void Put(const void* data, std::size_t size) {
    const BYTE* p = static_cast<const BYTE*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  std::vector<BYTE> bytes_;
};

DWORD DialogStyle(const DialogTemplate& t) {
  // Not WS_VISIBLE: the window is shown once the dialog has initialised
  // itself. DS_CENTER puts it over its owner, or in the middle of the screen.
  DWORD style = WS_POPUP | DS_SETFONT | DS_CENTER;
  if ((t.style & kModalFrame) != 0) style |= DS_MODALFRAME;
  if ((t.style & kCaption) != 0) style |= WS_CAPTION;
  if ((t.style & kSysMenu) != 0) style |= WS_SYSMENU;
  return style;
}

DWORD ControlStyle(const ControlTemplate& c) {
  DWORD style = WS_CHILD | WS_VISIBLE;
  if ((c.style & kTabStop) != 0) style |= WS_TABSTOP;
  if ((c.style & kGroup) != 0) style |= WS_GROUP;
  if ((c.style & kDisabled) != 0) style |= WS_DISABLED;
  if ((c.style & kBorder) != 0) style |= WS_BORDER;
  if ((c.style & kVScroll) != 0) style |= WS_VSCROLL;
  switch (c.kind) {
    case PushButton:
      return style | BS_PUSHBUTTON;
    case DefPushButton:
      return style | BS_DEFPUSHBUTTON;
    // The plain kinds, not the automatic ones: the button reports its click
    // and the dialog manager of ui/ sets the checks, whichever way the click
    // came (the mouse, Space, a mnemonic, assistive technology's BM_CLICK).
    case AutoRadioButton:
      return style | BS_RADIOBUTTON;
    case AutoCheckBox:
      return style | BS_CHECKBOX;
    case GroupBox:
      return style | BS_GROUPBOX;
    case Static:
      return style | SS_LEFT | ((c.style & kNoPrefix) != 0 ? SS_NOPREFIX : 0);
    case Edit:
      return style | ES_LEFT | ((c.style & kAutoHScroll) != 0 ? ES_AUTOHSCROLL : 0) |
             ((c.style & kReadOnly) != 0 ? ES_READONLY : 0);
    case DropDownList:
      return style | CBS_DROPDOWNLIST;
    case Icon:
      return style | SS_ICON;
  }
  return style;
}

WORD ClassOf(ControlKind kind) {
  switch (kind) {
    case Edit:
      return kEditClass;
    case Static:
    case Icon:
      return kStaticClass;
    case DropDownList:
      return kComboBoxClass;
    default:
      return kButtonClass;
  }
}

}  // namespace

std::vector<BYTE> DialogTemplateBytes(const DialogTemplate& t) {
  TemplateWriter out;
  out.Word(1);       // dlgVer
  out.Word(0xFFFF);  // signature: a DLGTEMPLATEEX
  out.Dword(0);      // helpID
  out.Dword((t.style & kAppWindow) != 0 ? WS_EX_APPWINDOW : 0);
  out.Dword(DialogStyle(t));
  out.Word(static_cast<WORD>(t.controls.size()));
  out.Short(0);
  out.Short(0);
  out.Short(t.cx);
  out.Short(t.cy);
  out.Word(0);  // no menu
  out.Word(0);  // the dialog manager's own window class
  out.Text(t.caption);
  out.Word(static_cast<WORD>(t.fontPoints));
  out.Word(FW_NORMAL);
  out.Byte(FALSE);  // italic
  out.Byte(DEFAULT_CHARSET);
  out.Text(t.fontName);
  for (const ControlTemplate& c : t.controls) {
    out.AlignToDword();
    out.Dword(0);  // helpID
    out.Dword(0);  // extended style
    out.Dword(ControlStyle(c));
    out.Short(c.x);
    out.Short(c.y);
    out.Short(c.cx);
    out.Short(c.cy);
    out.Dword(static_cast<DWORD>(c.id));  // kNoId is IDC_STATIC, -1
    out.Ordinal(ClassOf(c.kind));
    if (c.kind == Icon)
      out.Ordinal(static_cast<WORD>(c.iconId));
    else
      out.Text(c.text);
    out.Word(0);  // no creation data
  }
  return out.Take();
}

void FillControls(Window& window) {
  const auto& controls = window.tmpl->controls;
  // Children are in template order; the IDC_STATIC ones have no ID to find them by.
  HWND child = GetWindow(window.hwnd, GW_CHILD);
  for (const ControlTemplate& c : controls) {
    assert(child != nullptr);
    if (c.kind == DropDownList) {
      for (std::string_view item : c.items)
        SendMessageW(child, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(platform::ToUtf16(item).c_str()));
    }
    if (c.kind == Icon) {
      // The program's icon as it hands it over, at the system's icon size:
      // the template's number names a resource of the program file, which a
      // test program need not have.
      if (const IconResource* icon = CWinApp::Current()->resources().FindIcon(c.iconId)) {
        SendMessageW(child, STM_SETICON,
                     reinterpret_cast<WPARAM>(IconOf(*icon, GetSystemMetrics(SM_CXICON))), 0);
      }
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
}

}  // namespace ui::win32
