#include "platform/program.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace platform {

std::string ProgramName() {
#if defined(_WIN32)
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).stem().string();
#else
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).stem().string();
#endif
}

}  // namespace platform
