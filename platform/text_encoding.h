// Text as the program holds it and as the system takes it. The program keeps
// every text and every path as UTF-8; Windows' W functions take UTF-16,
// while its A functions would read the same bytes in the ANSI code page and
// miss a folder named "Jörg" or "東京". So each name reaches Windows through
// ToUtf16, and each text from Windows comes back through ToUtf8.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

#if defined(_WIN32)
std::wstring ToUtf16(std::string_view utf8);
std::string ToUtf8(std::wstring_view utf16);
#endif

// A path as UTF-8, whatever the platform's own encoding of paths: for the
// messages that show it and the functions here that take a name.
std::string PathText(const std::filesystem::path& path);

// The C runtime's fopen for a name given as UTF-8.
std::FILE* OpenCFile(const char* name, const char* mode);

}  // namespace platform
