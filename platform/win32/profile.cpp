#include "platform/profile.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/last_error.h"
#include "platform/win32/text_encoding.h"

// The W functions throughout: the names are UTF-8, and the A functions
// would read them in the ANSI code page, missing a profile folder such as
// C:\users\Jörg. Keys and sections are ASCII; values pass as UTF-16 too.
namespace platform {

int GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                          const char* fileName) {
  // The system returns the integer as UINT; negative values come back as
  // their two's complement.
  return static_cast<int>(::GetPrivateProfileIntW(ToUtf16(section).c_str(), ToUtf16(key).c_str(),
                                                  defaultValue, ToUtf16(fileName).c_str()));
}

unsigned GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                  char* buffer, unsigned bufferSize, const char* fileName) {
  if (bufferSize == 0) return 0;
  // The whole value in UTF-16 first (a value that fills the buffer may have
  // been cut), then as much of its UTF-8 as fits, cut between characters.
  std::vector<wchar_t> wide(std::max(bufferSize, 64u));
  for (;;) {
    const DWORD length = ::GetPrivateProfileStringW(
        ToUtf16(section).c_str(), ToUtf16(key).c_str(),
        defaultValue != nullptr ? ToUtf16(defaultValue).c_str() : L"", wide.data(),
        static_cast<DWORD>(wide.size()), ToUtf16(fileName).c_str());
    if (length + 1 < wide.size()) {
      const std::string value = ToUtf8(std::wstring_view(wide.data(), length));
      std::size_t copied = std::min<std::size_t>(value.size(), bufferSize - 1);
      if (copied < value.size())
        while (copied > 0 && (static_cast<unsigned char>(value[copied]) & 0xC0) == 0x80) --copied;
      std::copy_n(value.data(), copied, buffer);
      buffer[copied] = '\0';
      return copied < value.size() ? bufferSize - 1 : static_cast<unsigned>(copied);
    }
    wide.resize(wide.size() * 2);
  }
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName) {
  return ::WritePrivateProfileStringW(ToUtf16(section).c_str(), ToUtf16(key).c_str(),
                                      ToUtf16(value).c_str(), ToUtf16(fileName).c_str()) != FALSE;
}

std::optional<std::string> WritePrivateProfileStrings(const char* section,
                                                      std::span<const ProfileString> strings,
                                                      const char* fileName) {
  // The system's own functions, applied to a copy beside the file that then
  // replaces it in one step (ReplaceFile keeps the old file's attributes and
  // security); on any failure the copy goes and the file stays as it was.
  const std::wstring file = ToUtf16(fileName);
  const std::wstring temp = file + L".new";
  const std::wstring sectionName = ToUtf16(section);
  const DWORD attributes = GetFileAttributesW(file.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "it is not a regular file";
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return "it is read-only";
  std::optional<std::string> failure;
  if (exists && !CopyFileW(file.c_str(), temp.c_str(), FALSE)) {
    // A copy cut short by a full disk is not left beside the file.
    failure = LastErrorText();
    DeleteFileW(temp.c_str());
    return failure;
  }
  for (const ProfileString& string : strings) {
    if (!::WritePrivateProfileStringW(sectionName.c_str(), ToUtf16(string.key).c_str(),
                                      ToUtf16(string.value).c_str(), temp.c_str())) {
      failure = LastErrorText();
      break;
    }
  }
  // Out of the system's cache and into the copy before it replaces the file.
  // This call always returns FALSE, as documented, whether the flush worked
  // or not: what it wrote is checked by the replacement.
  if (!failure) ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, temp.c_str());
  if (!failure && !(exists ? ReplaceFileW(file.c_str(), temp.c_str(), nullptr,
                                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                           : MoveFileExW(temp.c_str(), file.c_str(), MOVEFILE_WRITE_THROUGH))) {
    failure = LastErrorText();
  }
  if (failure) DeleteFileW(temp.c_str());
  return failure;
}

}  // namespace platform
