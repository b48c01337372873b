// Pictures of the five windows for the README: runs the program on the
// build's backend against the simulated network, opens each window as an
// operator would, and saves what the screen shows of it, frame included.
//   screenshots OUTPUT_FOLDER [SUFFIX]
// Qt: under an X server with a window manager; Win32: under Wine. Each file
// is named after its window, with SUFFIX before ".png".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/quillan_app.h"
#include "platform/environment.h"
#include "res/resource.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/screenshot.h"
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

std::string suffix;

// Saves the window on top, with its frame, once it has been painted.
void Snap(int templateId, const fs::path& folder, const std::string& name) {
  Check(WaitForWindow(templateId), "window did not open");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const fs::path file = folder / (name + suffix + ".png");
  ui::SendToUiThread([&] { Check(SaveTopWindow(file), "could not save the window"); });
  std::printf("%s\n", file.string().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [SUFFIX]\n", argv[0]);
    return 2;
  }
  const fs::path out = fs::absolute(argv[1]);
  if (argc == 3) suffix = argv[2];
  testing_support::TempDir home, work;
  testing_support::ScopedCurrentDir cwd(work.path());
  testing_support::SetUserConfigFolder(home.path());
  platform::SetEnv("PONDEL_SIM_RATE", "200");

  RunScenario(
      [] {
        CQuillanApp app;
        app.InitInstance();
      },
      [&] {
        constexpr int kMain = IDD_TARNWICK_DIALOG;
        Snap(kMain, out, "main-window");
        Click(kMain, IDC_SETTINGS);
        Snap(IDD_LOCAL_SETTINGS, out, "local-settings");
        PressEscape(IDD_LOCAL_SETTINGS);
        Check(WaitForWindow(kMain), "main window");
        Click(kMain, IDC_VORNEX);
        Click(kMain, IDC_SETTINGS);
        Snap(IDD_SERVER_SETTINGS, out, "server-settings");
        PressEscape(IDD_SERVER_SETTINGS);
        Check(WaitForWindow(kMain), "main window");
        Click(kMain, IDC_USB);
        SystemCommand(kMain, IDM_ABOUTBOX);
        Snap(IDD_ABOUTBOX, out, "about-box");
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
        Snap(IDD_RECEIVE, out, "receive-window");
        Click(IDD_RECEIVE, IDOK);
        Check(WaitForWindow(kMain), "main window");
        Snap(kMain, out, "main-window-online");
        PressEscape(kMain);
      });
  return failed ? 1 : 0;
}
