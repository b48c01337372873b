#include "platform/last_error.h"

#include <windows.h>

#include <string_view>

#include "platform/win32/text_encoding.h"

namespace platform {

std::string LastErrorText() {
  const DWORD code = GetLastError();
  // In UTF-16: a system in another language words its messages in letters
  // that the ANSI code page may not hold.
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message =
      length != 0 ? ToUtf8(std::wstring_view(text, length)) : "error " + std::to_string(code);
  LocalFree(text);
  // The system's sentences end with a full stop and a line end.
  while (!message.empty() &&
         std::string_view(". \r\n").find(message.back()) != std::string_view::npos)
    message.pop_back();
  return message;
}

}  // namespace platform
