#include "platform/folders.h"

#include <windows.h>

#include <cstdlib>
#include <knownfolders.h>
#include <shlobj.h>

namespace platform {

std::filesystem::path UserConfigFolder() {
  // The environment's name for the folder first: the known folder cannot be
  // moved for one program.
  if (const wchar_t* appData = _wgetenv(L"APPDATA")) {
    std::filesystem::path path(appData);
    if (path.is_absolute()) return path;
  }
  PWSTR folder = nullptr;
  std::filesystem::path result;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &folder))) {
    result = folder;
  }
  CoTaskMemFree(folder);  // owed even when the call failed
  return result;
}

std::filesystem::path ProgramSettingsFolder(std::string_view name) {
  return UserConfigFolder() / name;
}

std::filesystem::path WindowsFolder() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::filesystem::path(folder, folder + length);
}

}  // namespace platform
