#include "platform/text_encoding.h"

namespace platform {

std::string PathText(const std::filesystem::path& path) {
  return path.native();
}

std::FILE* OpenCFile(const char* name, const char* mode) {
  return std::fopen(name, mode);
}

}  // namespace platform
