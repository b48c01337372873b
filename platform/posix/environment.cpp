#include "platform/environment.h"

#include <cstdlib>

namespace platform {

void SetEnv(const char* name, const char* value) {
  setenv(name, value, 1);
}

void UnsetEnv(const char* name) {
  unsetenv(name);
}

const char* UserConfigVariable() {
  return "XDG_CONFIG_HOME";
}

}  // namespace platform
