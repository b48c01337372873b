#include "tests/support/environment.h"

#include <cstdlib>
#include <string>

namespace testing_support {

namespace {

#if defined(_WIN32)
constexpr const char* kUserConfigVariable = "APPDATA";
#else
constexpr const char* kUserConfigVariable = "XDG_CONFIG_HOME";
#endif

}  // namespace

void SetEnv(const char* name, const char* value) {
#if defined(_WIN32)
  // The wide environment, which the program reads: the values are UTF-8.
  const auto wide = [](const char* utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8))).wstring();
  };
  _wputenv_s(wide(name).c_str(), wide(value).c_str());
#else
  setenv(name, value, 1);
#endif
}

void UnsetEnv(const char* name) {
#if defined(_WIN32)
  _wputenv_s(std::filesystem::path(name).wstring().c_str(), L"");
#else
  unsetenv(name);
#endif
}

void SetUserConfigFolder(const std::filesystem::path& folder) {
  const std::u8string utf8 = folder.u8string();
  SetEnv(kUserConfigVariable, reinterpret_cast<const char*>(utf8.c_str()));
}

void ResetUserConfigFolder() {
  UnsetEnv(kUserConfigVariable);
}

}  // namespace testing_support
