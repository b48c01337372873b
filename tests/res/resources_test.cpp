// The resources of tarnwick.rc as Windows reads them from the program file:
// the dialog templates exactly as the Win32 backend builds them from
// templates.cpp, the strings as templates.cpp has them, the icon in both
// sizes, the version and the manifest.
#include "ui/resources.h"

#include <algorithm>
#include <cwctype>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "res/resource.h"
#include "res/templates.h"
#include "res/version.h"
#include "ui/win32/state.h"

namespace {

std::vector<BYTE> Resource(int id, LPCWSTR type) {
  const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
  if (found == nullptr) return {};
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
  return {data, data + SizeofResource(nullptr, found)};
}

std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || length == 0) return {};
  return static_cast<const wchar_t*>(value);
}

TEST(Resources, EveryDialogTemplateIsTheOneTheBackendBuilds) {
  for (const ui::DialogTemplate* dialog : res::Resources().dialogs) {
    SCOPED_TRACE("dialog " + std::to_string(dialog->id));
    std::vector<BYTE> compiled = Resource(dialog->id, MAKEINTRESOURCEW(5));  // RT_DIALOG
    const std::vector<BYTE> built = ui::win32::DialogTemplateBytes(*dialog);
    // The resource compiler may pad the last item to a DWORD.
    ASSERT_GE(compiled.size(), built.size());
    ASSERT_LE(compiled.size(), (built.size() + 3) / 4 * 4);
    EXPECT_TRUE(std::all_of(compiled.begin() + static_cast<std::ptrdiff_t>(built.size()),
                            compiled.end(), [](BYTE b) { return b == 0; }));
    const auto [at, _] = std::mismatch(built.begin(), built.end(), compiled.begin());
    EXPECT_EQ(at, built.end()) << "first difference at byte " << (at - built.begin());
  }
}

TEST(Resources, StringTableHoldsTheProgramsStrings) {
  for (int id : {IDS_ABOUTBOX, IDS_SOCKETS_INIT_FAILED}) {
    wchar_t text[256] = {};
    const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id), text, 256);
    EXPECT_EQ(platform::ToUtf8(std::wstring_view(text, static_cast<std::size_t>(length))),
              res::StringResource(id));
  }
}

TEST(Resources, IconHasA32And16PixelImage) {
  // The group's directory names an image of each size, 16 colours.
  const std::vector<BYTE> group = Resource(IDR_MAINFRAME, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_FALSE(group.empty());
  for (int size : {32, 16}) {
    const int image = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group.data()), TRUE, size, size,
                                                  LR_DEFAULTCOLOR);
    const std::vector<BYTE> bits = Resource(image, MAKEINTRESOURCEW(3));  // RT_ICON
    ASSERT_GE(bits.size(), sizeof(BITMAPINFOHEADER)) << size;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bits.data());
    EXPECT_EQ(header->biWidth, size);
    EXPECT_EQ(header->biHeight, 2 * size);  // the image, then its mask
    EXPECT_EQ(header->biBitCount, 4);
  }
}

TEST(Resources, VersionSaysWhatTheProgramIs) {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::vector<BYTE> info(GetFileVersionInfoSizeW(program, nullptr));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoW(program, 0, static_cast<DWORD>(info.size()), info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  constexpr WORD kVersion[] = {TARNWICK_VERSION_NUMBERS};
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(kVersion[1], kVersion[0]));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(kVersion[3], kVersion[2]));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);  // U.S. English
  EXPECT_EQ(translation[1], 1200);    // Unicode

  const std::wstring what = L"" TARNWICK_DESCRIPTION;
  EXPECT_EQ(VersionString(info, L"FileDescription"), what);
  EXPECT_EQ(VersionString(info, L"ProductName"), what);
  EXPECT_EQ(VersionString(info, L"Comments"), what);
  EXPECT_EQ(VersionString(info, L"InternalName"), L"Tarnwick");
  EXPECT_EQ(VersionString(info, L"FileVersion"), L"" TARNWICK_VERSION_QUAD);
  EXPECT_EQ(VersionString(info, L"ProductVersion"), L"" TARNWICK_VERSION_QUAD);
  EXPECT_EQ(VersionString(info, L"CompanyName"), L"" TARNWICK_PUBLISHER);
  EXPECT_EQ(VersionString(info, L"LegalCopyright"), L"" TARNWICK_COPYRIGHT);
}

TEST(Resources, ManifestAsksForCommonControls6AndPerMonitorDpiAwareness) {
  const std::vector<BYTE> bytes = Resource(1, MAKEINTRESOURCEW(24));  // RT_MANIFEST
  const std::string manifest(bytes.begin(), bytes.end());
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor<"), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm<"), std::string::npos);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);

  // And the system took it: the program's common controls are version 6,
  // the side-by-side assembly (version 5 is the one in the system folder).
  const HMODULE controls = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(controls, nullptr);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(controls, path, MAX_PATH);
  std::wstring file(path);
  std::transform(file.begin(), file.end(), file.begin(), towlower);
  EXPECT_NE(file.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
      << platform::ToUtf8(file);
}

}  // namespace
