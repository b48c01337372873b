#include "tests/support/environment.h"

#include <cstdlib>

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
  _putenv_s(name, value);
#else
  setenv(name, value, 1);
#endif
}

void UnsetEnv(const char* name) {
#if defined(_WIN32)
  _putenv_s(name, "");
#else
  unsetenv(name);
#endif
}

void SetUserConfigFolder(const std::filesystem::path& folder) {
  SetEnv(kUserConfigVariable, folder.string().c_str());
}

void ResetUserConfigFolder() {
  UnsetEnv(kUserConfigVariable);
}

}  // namespace testing_support
