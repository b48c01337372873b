// The folders where settings files are kept: the user's own, and the one the
// Windows profile functions search for a file named without a folder.
#pragma once

#include <filesystem>
#include <string_view>

namespace platform {

// The user's folder for application settings: on Windows %APPDATA% when it
// is an absolute path (so a portable set-up or a test can move it), else the
// roaming application-data folder; elsewhere $XDG_CONFIG_HOME when it is an
// absolute path, else the home folder's ".config". Empty when none can be
// found.
std::filesystem::path UserConfigFolder();

// The folder in UserConfigFolder() where the program `name` keeps its
// settings, named as each platform names such folders: "Tarnwick" on
// Windows, "tarnwick" (lower case) elsewhere.
std::filesystem::path ProgramSettingsFolder(std::string_view name);

// The Windows directory, where the Windows profile functions look for a file
// named without a folder. Empty elsewhere: no such folder exists there.
std::filesystem::path WindowsFolder();

}  // namespace platform
