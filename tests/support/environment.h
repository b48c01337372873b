// Moving the user's settings folder for a test, on every platform the tests
// run on.
#pragma once

#include <filesystem>

namespace testing_support {

// Makes `folder` the user's settings folder, where the program keeps its
// settings file: $XDG_CONFIG_HOME on Linux, %APPDATA% on Windows.
void SetUserConfigFolder(const std::filesystem::path& folder);
void ResetUserConfigFolder();

}  // namespace testing_support
