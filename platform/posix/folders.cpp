#include "platform/folders.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace platform {

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

}  // namespace platform
