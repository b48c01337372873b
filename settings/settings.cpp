#include "settings/settings.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "adapter/init_blocks.h"
#include "platform/folders.h"
#include "platform/profile.h"
#include "platform/profile_text.h"
#include "platform/text_encoding.h"
#include "res/resource.h"

std::int32_t DeviceNumber;
std::int32_t DataRate;
std::int32_t Timeouts;
std::int32_t PortNumber;
std::string IPAddress;
std::uint8_t LoadedKesta;
std::uint8_t LoadedMorla;
std::uint8_t LoadedVornex;
std::uint8_t SettingsChanged;

namespace {

constexpr const char* kFileName = "Tarnwick.ini";
constexpr const char* kSection = "Tarnwick";

struct IntKey {
  const char* name;
  int defaultValue;
};

constexpr IntKey kDeviceNumber{kDeviceNumberRange.key, 0};
constexpr IntKey kDataRate{kDataRateRange.key, 4};
constexpr IntKey kTimeouts{kTimeoutsRange.key, 0};
constexpr IntKey kNodeId{kNodeIdRange.key, 5};
constexpr IntKey k128Naks{kNaks128Range.key, 0};
constexpr const char* kIpAddress = "IPAddress";  // default: empty
constexpr IntKey kPortNumber{kPortNumberRange.key, 5001};
constexpr IntKey kKesta{"KESTA", 1};
constexpr IntKey kMorla{"MORLA", 0};
constexpr IntKey kVornex{"VORNEX", 0};

int ReadInt(const IntKey& key, const std::string& file) {
  return platform::GetPrivateProfileIntA(kSection, key.name, key.defaultValue, file.c_str());
}

// The whole value, however long: the profile reader cuts a value to the
// buffer it is given, so the buffer grows until the value fits.
std::string ReadText(const char* key, const std::string& file) {
  std::vector<char> buffer(64);
  for (;;) {
    const unsigned length = platform::GetPrivateProfileStringA(
        kSection, key, "", buffer.data(), static_cast<unsigned>(buffer.size()), file.c_str());
    if (length + 1 < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

// By key, the number the file states for a setting that kept only part of
// it: the load keeps the platform reader's 32 bits, and of NodeID and
// 128NAKs the low 8 bits, so the file's number is held here for Connect to
// refuse.
std::map<std::string_view, std::int64_t> fileValues;

// `kept` is what the load put into the setting's variable: a T.
template <typename T>
T NoteFileValue(const IntKey& key, T kept, const std::string& file) {
  const std::string text = ReadText(key.name, file);
  const std::int64_t stated = platform::ProfileValueAsWholeNumber(text);
  // Only a number whose low bits the setting kept: a text the platform's
  // reader reads by rules of its own is what the reader made of it.
  if (!text.empty() && stated != kept && static_cast<T>(stated) == kept)
    fileValues[key.name] = stated;
  return kept;
}

platform::ProfileString IntString(const IntKey& key, int value) {
  return {key.name, std::to_string(value)};
}

}  // namespace

std::filesystem::path SettingsFilePath() {
  return platform::ProgramSettingsFolder("Tarnwick") / kFileName;
}

std::filesystem::path ChooseSettingsFile(const std::filesystem::path& own,
                                         const std::filesystem::path& legacy) {
  std::error_code ec;
  if (std::filesystem::exists(own, ec) || legacy.empty()) return own;
  return std::filesystem::exists(legacy, ec) ? legacy : own;
}

std::string SettingRefusal(const SettingRange& range, std::int64_t kept) {
  const auto file = fileValues.find(range.key);
  const std::int64_t value = file != fileValues.end() ? file->second : kept;
  if (range.Holds(value)) return {};
  return std::string(range.key) + " must be between " + std::to_string(range.low) + " and " +
         std::to_string(range.high) + "; the settings hold " + std::to_string(value) + ".";
}

void ForgetFileValue(const SettingRange& range) {
  fileValues.erase(range.key);
}

void LoadSettings() {
  const std::filesystem::path windows = platform::WindowsFolder();
  const std::string file = platform::PathText(
      ChooseSettingsFile(SettingsFilePath(), windows.empty() ? windows : windows / kFileName));
  fileValues.clear();
  const auto readInt = [&](const IntKey& key) {
    return NoteFileValue(key, ReadInt(key, file), file);
  };
  // The node ID and 128-NAKs bytes take the low 8 bits of what is read.
  const auto readByte = [&](const IntKey& key) {
    return NoteFileValue(key, static_cast<std::uint8_t>(ReadInt(key, file)), file);
  };
  DeviceNumber = readInt(kDeviceNumber);
  DataRate = readInt(kDataRate);
  Timeouts = readInt(kTimeouts);
  LocalInit.nodeId = readByte(kNodeId);
  LocalInit.naks128 = readByte(k128Naks);
  IPAddress = ReadText(kIpAddress, file);
  PortNumber = readInt(kPortNumber);
  LoadedKesta = ReadInt(kKesta, file) != 0;
  LoadedMorla = ReadInt(kMorla, file) != 0;
  LoadedVornex = ReadInt(kVornex, file) != 0;
}

void SaveSettings(SettingsPrompt& ui) {
  if (ui.CheckState(IDC_USB) != LoadedKesta || ui.CheckState(IDC_MORLA) != LoadedMorla ||
      ui.CheckState(IDC_VORNEX) != LoadedVornex) {
    SettingsChanged = 1;
  }
  if (SettingsChanged == 0) return;
  if (!ui.AskYesNo("Would you like to save your settings?", "Save Settings")) return;

  const std::filesystem::path path = SettingsFilePath();
  const std::string pathText = platform::PathText(path);
  // 128NAKs goes before NodeID, the other way round from the load.
  const platform::ProfileString strings[] = {
      IntString(kDeviceNumber, DeviceNumber),
      IntString(kDataRate, DataRate),
      IntString(kTimeouts, Timeouts),
      IntString(k128Naks, LocalInit.naks128),
      IntString(kNodeId, LocalInit.nodeId),
      {kIpAddress, IPAddress},
      IntString(kPortNumber, PortNumber),
      IntString(kKesta, ui.CheckState(IDC_USB)),
      IntString(kMorla, ui.CheckState(IDC_MORLA)),
      IntString(kVornex, ui.CheckState(IDC_VORNEX)),
  };
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  const std::optional<std::string> failure =
      ec ? ec.message() : platform::WritePrivateProfileStrings(kSection, strings, pathText.c_str());
  if (failure) {
    ui.ShowError("Your settings were not saved to " + pathText + ": " + *failure + ".",
                 "Save Settings");
  }
}
