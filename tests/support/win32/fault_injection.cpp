#include "tests/support/fault_injection.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace testing_support {

std::string DiskFullText() {
  wchar_t text[256] = {};
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 ERROR_DISK_FULL, 0, text, 256, nullptr);
  std::string utf8(1024, '\0');
  utf8.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), 1024, nullptr, nullptr)));
  while (!utf8.empty() && std::string_view(". \r\n", 5).find(utf8.back()) != std::string::npos)
    utf8.pop_back();
  return utf8;
}

// A process on Windows mounts nothing: the small drive is made outside.
SmallFilesystem::SmallFilesystem(std::uintmax_t) {
  const char* drive = std::getenv("TARNWICK_TEST_SMALL_DRIVE");
  if (drive == nullptr || *drive == '\0') {
    why_ = "no small drive (TARNWICK_TEST_SMALL_DRIVE; scripts/test-windows.sh maps one as root)";
    return;
  }
  root_ = std::filesystem::path(std::string(drive) + "\\") / dir_.path().filename();
  std::error_code ec;
  mounted_ = std::filesystem::create_directory(root_, ec);
  if (!mounted_) why_ = "the small drive " + std::string(drive) + " cannot be written";
}

SmallFilesystem::~SmallFilesystem() {
  std::error_code ec;
  if (mounted_) std::filesystem::remove_all(root_, ec);
}

void SmallFilesystem::Fill(const std::string& name) const {
  std::FILE* file = _wfopen((root_ / name).c_str(), L"wb");
  if (file == nullptr) return;
  std::setvbuf(file, nullptr, _IONBF, 0);
  const char block[4096] = {};
  while (std::fwrite(block, 1, sizeof block, file) == sizeof block) {
  }
  while (std::fwrite(block, 1, 1, file) == 1) {
  }
  std::fclose(file);
}
bool SmallFilesystem::MakesFullFiles() {
  return false;
}
std::filesystem::path SmallFilesystem::FullFile() const {
  return path();  // not used: see SKIP_WITHOUT_FULL_FILE
}

bool FileSizeLimit::Supported() {
  return false;
}
FileSizeLimit::FileSizeLimit(std::uintmax_t) : previous_(0), previousHandler_(nullptr) {}
FileSizeLimit::~FileSizeLimit() = default;

bool MakeFifo(const std::filesystem::path&) {
  return false;
}
bool GiveLinkToAnotherUser(const std::filesystem::path&) {
  return false;
}

}  // namespace testing_support
