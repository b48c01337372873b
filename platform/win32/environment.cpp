#include "platform/environment.h"

#include <cstdlib>

namespace platform {

void SetEnv(const char* name, const char* value) {
  _putenv_s(name, value);
}

void UnsetEnv(const char* name) {
  _putenv_s(name, "");
}

const char* UserConfigVariable() {
  return "APPDATA";
}

}  // namespace platform
