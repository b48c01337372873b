#include "platform/environment.h"

#include <cstdlib>

#include "platform/win32/text_encoding.h"

namespace platform {

// The wide environment, which the program reads: the values are UTF-8.
void SetEnv(const char* name, const char* value) {
  _wputenv_s(ToUtf16(name).c_str(), ToUtf16(value).c_str());
}

void UnsetEnv(const char* name) {
  _wputenv_s(ToUtf16(name).c_str(), L"");
}

const char* UserConfigVariable() {
  return "APPDATA";
}

}  // namespace platform
