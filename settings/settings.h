// The connection settings: the process-wide values, read from the settings
// file "Tarnwick.ini" (section "Tarnwick") once when the main window opens,
// and written back on the way out when they changed and the operator agrees.
// NodeID and 128NAKs are LocalInit.nodeId and LocalInit.naks128
// (adapter/init_blocks.h).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "settings/setting_ranges.h"

extern std::int32_t DeviceNumber;  // device number of a local adapter
extern std::int32_t DataRate;      // index in the local dialog's Data Rate list
extern std::int32_t Timeouts;      // index in the local dialog's Extended Timeouts list
extern std::int32_t PortNumber;    // TCP port of the network server device
extern std::string IPAddress;      // the server's address as typed; empty: detect it

// Which adapter types the file marked (0 or 1 each): they set the radio
// buttons at start and are compared with them at exit.
extern std::uint8_t LoadedKesta;
extern std::uint8_t LoadedMorla;
extern std::uint8_t LoadedVornex;

// 1 once the values may differ from the file: set by the settings dialogs'
// OK and by SaveSettings when the adapter type changed.
extern std::uint8_t SettingsChanged;

// What SaveSettings needs of the main window, which implements it.
class SettingsPrompt {
 public:
  // The check state of the main window's radio button `controlId` (IDC_USB,
  // IDC_MORLA or IDC_VORNEX): 0 or 1.
  virtual int CheckState(int controlId) = 0;
  // Shows a message box owned by the main window with the question icon and
  // the buttons Yes and No; true when the answer is Yes.
  virtual bool AskYesNo(const char* text, const char* caption) = 0;
  // Shows a message box owned by the main window with the exclamation icon
  // and an OK button.
  virtual void ShowError(const std::string& text, const char* caption) = 0;

 protected:
  ~SettingsPrompt() = default;
};

// What the operator is told of a setting whose value lies outside its
// range: "NodeID must be between 1 and 255; the settings hold 300." Empty
// when it lies inside. `kept` is what the setting holds now; while it is
// what the load kept of a larger number in the file (a NodeID of 300 kept as
// the byte 44, a DeviceNumber of 4294967297 read as 1), the file's number is
// the setting's value.
std::string SettingRefusal(const SettingRange& range, std::int64_t kept);

// A setting stored anew, by a dialog's OK or an option: the file's number
// no longer counts for it.
void ForgetFileValue(const SettingRange& range);

// Reads every value from the file; a missing file, section or key gives the
// key's default, and so does a file that is not a regular one of a sane
// size. Nothing is reported.
void LoadSettings();

// When the radio buttons differ from the loaded flags, or SettingsChanged is
// set, asks whether to save and, on Yes, writes the ten keys into one new
// file that replaces the old one in one step (the folder is created when
// missing). When that fails the old file stays as it was, and the operator
// is told that the settings were not saved, and why.
void SaveSettings(SettingsPrompt& ui);

// Where the settings are saved: Tarnwick.ini in the program's settings
// folder (platform/folders.h): %APPDATA%\Tarnwick on Windows,
// ~/.config/tarnwick on Linux.
std::filesystem::path SettingsFilePath();

// The file to load: `own` when it exists, else `legacy` when that exists (a
// Windows directory's file from before the settings moved to the user's
// folder), else `own`.
std::filesystem::path ChooseSettingsFile(const std::filesystem::path& own,
                                         const std::filesystem::path& legacy);
