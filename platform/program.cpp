#include "platform/program.h"

#include <filesystem>

#include "platform/text_encoding.h"

#if defined(_WIN32)
#include <windows.h>

#include <shellapi.h>
#endif

namespace platform {

std::string ProgramName() {
#if defined(_WIN32)
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return PathText(std::filesystem::path(path).stem());
#else
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).stem().string();
#endif
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
#if defined(_WIN32)
  (void)argc;
  (void)argv;
  std::vector<std::string> arguments;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) arguments.push_back(ToUtf8(wide[i]));
    LocalFree(wide);
  }
  return arguments;
#else
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
}

}  // namespace platform
