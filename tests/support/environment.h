// Setting the environment variables that the stand-in library and the
// settings read, on every platform the tests run on.
#pragma once

#include <filesystem>

namespace testing_support {

// An empty value clears the variable on Windows, as the system does.
void SetEnv(const char* name, const char* value);
void UnsetEnv(const char* name);

// Makes `folder` the user's settings folder, where the program keeps its
// settings file: $XDG_CONFIG_HOME on Linux, %APPDATA% on Windows.
void SetUserConfigFolder(const std::filesystem::path& folder);
void ResetUserConfigFolder();

}  // namespace testing_support
