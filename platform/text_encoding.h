// Text as the program holds it and as the system takes it. The program keeps
// every text and every path as UTF-8, on Windows too, where the names reach
// the system as UTF-16 (win32/text_encoding.h).
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace platform {

// A path as UTF-8, whatever the platform's own encoding of paths: for the
// messages that show it and the functions here that take a name.
std::string PathText(const std::filesystem::path& path);

// The C runtime's fopen for a name given as UTF-8.
std::FILE* OpenCFile(const char* name, const char* mode);

}  // namespace platform
