// Text between the program's UTF-8 and the UTF-16 that Windows' W functions
// take: each name reaches Windows through ToUtf16, and each text from
// Windows comes back through ToUtf8 (the A functions would read the same
// bytes in the ANSI code page and miss a folder named "Jörg" or "東京").
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::wstring ToUtf16(std::string_view utf8);
std::string ToUtf8(std::wstring_view utf16);

}  // namespace platform
