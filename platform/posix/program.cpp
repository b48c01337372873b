#include "platform/program.h"

#include <filesystem>

namespace platform {

std::string ProgramName() {
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec).stem().string();
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace platform
