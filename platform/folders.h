// The folders where settings files are kept: the user's own, and the one the
// Windows profile functions search for a file named without a folder.
#pragma once

#include <filesystem>

namespace platform {

// The user's folder for application settings: the roaming application-data
// folder on Windows; elsewhere $XDG_CONFIG_HOME when it is an absolute path,
// else the home folder's ".config". Empty when none can be found.
std::filesystem::path UserConfigFolder();

// The Windows directory, where the Windows profile functions look for a file
// named without a folder. Empty elsewhere: no such folder exists there.
std::filesystem::path WindowsFolder();

}  // namespace platform
