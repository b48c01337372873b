// What the conformance suite cannot see of the Win32 backend: every way the
// operator has of activating a radio button or check box (the mouse, Space,
// a mnemonic, an arrow key, assistive technology's BM_CLICK) arrives as the
// one click that the dialog framework answers, and a minimised window
// paints its icon and answers the drag-icon query with it. The keyboard
// comes through the system (SendInput), as the operator's does.
#include <atomic>
#include <cwctype>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "res/templates.h"
#include "tests/conformance/scenario.h"
#include "tests/ui/click_counter.h"
#include "ui/automation.h"
#include "ui/dialog.h"
#include "ui/ui_thread.h"
#include "ui/win32/state.h"

namespace {

using namespace ui::automation;
using conformance::RunAsMainWindow;

void Keys(std::initializer_list<std::pair<WORD, bool>> strokes) {
  std::vector<INPUT> inputs;
  for (auto [key, up] : strokes) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void Press(WORD key) {
  Keys({{key, false}, {key, true}});
}

// On the UI thread: the control's window.
HWND ControlOf(CDialog& dialog, int id) {
  HWND control = nullptr;
  ui::SendToUiThread([&] { control = GetDlgItem(dialog.window()->hwnd, id); });
  return control;
}

void FocusOn(CDialog& dialog, int id) {
  ui::SendToUiThread([&] {
    SetForegroundWindow(dialog.window()->hwnd);
    SendMessageW(dialog.window()->hwnd, WM_NEXTDLGCTL,
                 reinterpret_cast<WPARAM>(GetDlgItem(dialog.window()->hwnd, id)), TRUE);
  });
}

// The ways of activating button `id` of `dialog`, from the driver thread.
const std::vector<std::pair<std::string, std::function<void(CDialog&, int)>>> kWaysToActivate = {
    // The button's own handling of the press and release (automation hands
    // them to the message loop); a SendInput click does not reach the
    // window under Wine's desktop.
    {"mouse", [](CDialog& dialog, int id) { Click(dialog.templateId(), id); }},
    {"Space",
     [](CDialog& dialog, int id) {
       FocusOn(dialog, id);
       Press(VK_SPACE);
     }},
    {"mnemonic",
     [](CDialog& dialog, int id) {
       FocusOn(dialog, IDOK);
       // windows.h makes macros of the framework's GetDlgItemText and
       // SetDlgItemText here: the platform's own calls instead.
       ui::SendToUiThread([&] {
         const HWND button = GetDlgItem(dialog.window()->hwnd, id);
         wchar_t text[64] = {};
         GetWindowTextW(button, text, 64);
         if (text[0] != L'&') SetWindowTextW(button, (L"&" + std::wstring(text)).c_str());
       });
       wchar_t text[64] = {};
       GetWindowTextW(ControlOf(dialog, id), text, 64);
       const auto letter = static_cast<WORD>(towupper(text[1]));  // the one after '&'
       Keys({{VK_MENU, false}, {letter, false}, {letter, true}, {VK_MENU, true}});
     }},
    {"assistive technology (BM_CLICK)",
     [](CDialog& dialog, int id) { SendMessageW(ControlOf(dialog, id), BM_CLICK, 0, 0); }},
};

TEST(Win32Backend, EveryWayOfActivatingARadioButtonIsItsClick) {
  ClickCounter main(IDD_TARNWICK_DIALOG, IDC_MORLA);
  auto ways = kWaysToActivate;
  // An arrow key from the radio button before it in the group, as Windows
  // treats its automatic radio buttons.
  ways.push_back({"arrow key", [](CDialog& dialog, int) {
                    FocusOn(dialog, IDC_USB);
                    Press(VK_DOWN);
                  }});
  RunAsMainWindow(main, [&] {
    for (const auto& [way, activate] : ways) {
      SCOPED_TRACE(way);
      // Two checked by the program, as a settings file that marks two types
      // leaves them; twice on the same button, which stays checked (an arrow
      // key moves on from a checked one only once).
      ui::SendToUiThread([&] {
        main.CheckDlgButton(IDC_USB, 1);
        main.CheckDlgButton(IDC_MORLA, 0);
        main.CheckDlgButton(IDC_VORNEX, 1);
      });
      main.clicks = 0;
      const int times = way == "arrow key" ? 1 : 2;
      for (int time = 1; time <= times; ++time) {
        activate(main, IDC_MORLA);
        EXPECT_TRUE(WaitUntil([&] { return main.clicks == time; }, 5s));
        EXPECT_EQ(main.checkSeen, 1);
        EXPECT_EQ(CheckState(IDD_TARNWICK_DIALOG, IDC_USB), 0);
        EXPECT_EQ(CheckState(IDD_TARNWICK_DIALOG, IDC_MORLA), 1);
        EXPECT_EQ(CheckState(IDD_TARNWICK_DIALOG, IDC_VORNEX), 0);
      }
    }
  });
}

TEST(Win32Backend, EveryWayOfActivatingACheckBoxIsItsClick) {
  ClickCounter server(IDD_SERVER_SETTINGS, IDC_AUTO_DETECT);
  RunAsMainWindow(server, [&] {
    for (const auto& [way, activate] : kWaysToActivate) {
      SCOPED_TRACE(way);
      server.clicks = 0;
      for (int time = 1; time <= 2; ++time) {
        const int before = CheckState(IDD_SERVER_SETTINGS, IDC_AUTO_DETECT);
        activate(server, IDC_AUTO_DETECT);
        EXPECT_TRUE(WaitUntil([&] { return server.clicks == time; }, 5s));
        EXPECT_EQ(server.checkSeen, 1 - before);  // toggled before the command
        EXPECT_EQ(CheckState(IDD_SERVER_SETTINGS, IDC_AUTO_DETECT), 1 - before);
      }
    }
  });
}

TEST(Win32Backend, AMinimisedWindowIsPaintedAndDraggedWithItsIcon) {
  struct Probe : CDialog {
    Probe() : CDialog(IDD_TARNWICK_DIALOG) {}
    void OnPaint() override {
      if (!IsIconic()) return CDialog::OnPaint();
      PaintMinimizedIcon(IconHandle{IDR_MAINFRAME});
      ++iconicPaints;
    }
    IconHandle OnQueryDragIcon() override { return IconHandle{IDR_MAINFRAME}; }
    std::atomic<int> iconicPaints{0};
  } main;
  RunAsMainWindow(main, [&] {
    ui::SendToUiThread([&] {
      const HWND hwnd = main.window()->hwnd;
      ShowWindow(hwnd, SW_MINIMIZE);
      EXPECT_TRUE(IsIconic(hwnd));
      // The system asks for the icon to show while the window is dragged.
      const auto icon = reinterpret_cast<HICON>(SendMessageW(hwnd, WM_QUERYDRAGICON, 0, 0));
      EXPECT_EQ(icon, ui::win32::IconOf(*res::Resources().FindIcon(IDR_MAINFRAME),
                                        GetSystemMetrics(SM_CXICON)));
      // The paint the system sends a minimised window's client area (Windows
      // before Vista; later ones keep a minimised window off the screen).
      SendMessageW(hwnd, WM_PAINT, 0, 0);
      EXPECT_EQ(main.iconicPaints, 1);
      ShowWindow(hwnd, SW_RESTORE);
    });
  });
}

// At any DPI (scripts/test-windows.sh runs this at 96, 144 and 192): each
// control stands where its template puts it in the dialog font's units, the
// font is 8 points at that DPI, and no two controls overlap except a group
// box and what it frames.
TEST(Win32Backend, TheFiveWindowsKeepTheirTemplateLayoutAtThisDpi) {
  using ui::ControlKind;
  for (const int templateId :
       {IDD_ABOUTBOX, IDD_TARNWICK_DIALOG, IDD_LOCAL_SETTINGS, IDD_SERVER_SETTINGS, IDD_RECEIVE}) {
    CDialog dialog(templateId);
    RunAsMainWindow(dialog, [&] {
      ui::SendToUiThread([&] {
        const HWND hwnd = dialog.window()->hwnd;
        const HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72)) << "dialog " << templateId;
        std::vector<std::pair<const ui::ControlTemplate*, RECT>> placed;
        HWND child = GetWindow(hwnd, GW_CHILD);
        for (const ui::ControlTemplate& control : dialog.dialogTemplate().controls) {
          ASSERT_NE(child, nullptr);
          // As the dialog manager places a control: its origin and its size
          // each in the font's units, so the right edge rounds as the width.
          RECT origin{control.x, control.y, control.cx, control.cy};
          MapDialogRect(hwnd, &origin);
          RECT shown;
          GetWindowRect(child, &shown);
          MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&shown), 2);
          const std::string what = std::to_string(templateId) + ": " + std::string(control.text);
          EXPECT_EQ(shown.left, origin.left) << what;
          EXPECT_EQ(shown.top, origin.top) << what;
          // An icon takes its image's size; a closed drop-down list is as
          // high as its font makes it.
          if (control.kind != ControlKind::Icon) {
            EXPECT_EQ(shown.right - shown.left, origin.right) << what;
            if (control.kind != ControlKind::DropDownList) {
              EXPECT_EQ(shown.bottom - shown.top, origin.bottom) << what;
            }
          }
          placed.emplace_back(&control, shown);
          child = GetWindow(child, GW_HWNDNEXT);
        }
        for (std::size_t i = 0; i < placed.size(); ++i) {
          for (std::size_t j = i + 1; j < placed.size(); ++j) {
            if (placed[i].first->kind == ControlKind::GroupBox ||
                placed[j].first->kind == ControlKind::GroupBox)
              continue;
            RECT both;
            EXPECT_FALSE(IntersectRect(&both, &placed[i].second, &placed[j].second))
                << templateId << ": " << placed[i].first->text << " / " << placed[j].first->text;
          }
        }
      });
    });
  }
}

}  // namespace
