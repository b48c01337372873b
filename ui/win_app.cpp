// The application object, and the program's resources through it.
#include <cassert>

#include "platform/program.h"
#include "ui/dialog.h"

namespace {

CWinApp* currentApp = nullptr;

}  // namespace

CWinApp::CWinApp(const ui::Resources& resources, const char* appName)
    : m_pszAppName(appName != nullptr ? appName : platform::ProgramName()), resources_(resources) {
  assert(currentApp == nullptr && "one application object per program");
  currentApp = this;
}

CWinApp::~CWinApp() {
  currentApp = nullptr;
}

CWinApp* CWinApp::Current() {
  return currentApp;
}

IconHandle CWinApp::LoadIcon(int resourceId) const {
  return {resources_.FindIcon(resourceId) != nullptr ? resourceId : 0};
}
