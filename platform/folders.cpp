#include "platform/folders.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstdlib>
#include <knownfolders.h>
#include <shlobj.h>
#else
#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>
#endif

namespace platform {

#if defined(_WIN32)

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

#else

std::filesystem::path UserConfigFolder() {
  // The XDG base directory rules: a relative $XDG_CONFIG_HOME is ignored.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return config;
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  if (home == nullptr || home[0] == '\0') return {};
  return std::filesystem::path(home) / ".config";
}

std::filesystem::path ProgramSettingsFolder(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  return UserConfigFolder() / lower;
}

std::filesystem::path WindowsFolder() {
  return {};
}

#endif

}  // namespace platform
