#include "platform/program.h"

#include <windows.h>

#include <filesystem>
#include <shellapi.h>

#include "platform/text_encoding.h"
#include "platform/win32/text_encoding.h"

namespace platform {

std::string ProgramName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return PathText(std::filesystem::path(path).stem());
}

std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
    LocalFree(wide);
  }
  return arguments;
}

}  // namespace platform
