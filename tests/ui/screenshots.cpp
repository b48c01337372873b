// Pictures of the five windows for the README: runs the program on the Qt
// backend against the simulated network, opens each window as an operator
// would, and saves what the screen shows of it, frame included.
//   screenshots OUTPUT_FOLDER   (under an X server with a window manager)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <QApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include "app/quillan_app.h"
#include "res/resource.h"
#include "tests/support/temp_dir.h"
#include "ui/automation.h"
#include "ui/ui_thread.h"

namespace {

using namespace ui::automation;
namespace fs = std::filesystem;

bool failed = false;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "screenshots: %s\n", what);
    failed = true;
  }
}

// Saves the window on top, with its frame, once it has been painted.
void Snap(int templateId, const fs::path& file) {
  Check(WaitForWindow(templateId), "window did not open");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ui::SendToUiThread([&] {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr) return Check(false, "no window on top");
    const QRect frame = window->frameGeometry();
    const QPixmap picture =
        window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    Check(picture.save(QString::fromStdString(file.string())), "could not save");
    std::printf("%s\n", file.c_str());
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path out = fs::absolute(argv[1]);
  testing_support::TempDir home, work;
  testing_support::ScopedCurrentDir cwd(work.path());
  setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
  setenv("PONDEL_SIM_RATE", "200", 1);

  RunScenario(
      [] {
        CQuillanApp app;
        app.InitInstance();
      },
      [&] {
        constexpr int kMain = IDD_TARNWICK_DIALOG;
        Snap(kMain, out / "main-window.png");
        Click(kMain, IDC_SETTINGS);
        Snap(IDD_LOCAL_SETTINGS, out / "local-settings.png");
        PressEscape(IDD_LOCAL_SETTINGS);
        Check(WaitForWindow(kMain), "main window");
        Click(kMain, IDC_VORNEX);
        Click(kMain, IDC_SETTINGS);
        Snap(IDD_SERVER_SETTINGS, out / "server-settings.png");
        PressEscape(IDD_SERVER_SETTINGS);
        Check(WaitForWindow(kMain), "main window");
        Click(kMain, IDC_USB);
        SystemCommand(kMain, IDM_ABOUTBOX);
        Snap(IDD_ABOUTBOX, out / "about-box.png");
        PressEscape(IDD_ABOUTBOX);
        Check(WaitForWindow(kMain), "main window");
        Click(kMain, IDC_CONNECT);
        Check(WaitUntil([] { return IsEnabled(kMain, IDC_RECEIVE); }), "connect");
        Click(kMain, IDC_RECEIVE);
        Check(WaitForWindow(IDD_RECEIVE), "receive window");
        Click(IDD_RECEIVE, IDC_START);
        Check(WaitUntil([] { return std::atoi(Text(IDD_RECEIVE, IDC_RX_COUNT).c_str()) >= 100; }),
              "frames");
        Click(IDD_RECEIVE, IDC_STOP);
        Check(WaitUntil([] { return IsEnabled(IDD_RECEIVE, IDC_START); }), "stop");
        Snap(IDD_RECEIVE, out / "receive-window.png");
        Click(IDD_RECEIVE, IDOK);
        Check(WaitForWindow(kMain), "main window");
        Snap(kMain, out / "main-window-online.png");
        PressEscape(kMain);
      });
  return failed ? 1 : 0;
}
