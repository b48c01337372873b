// The process's environment variables, which the adapter library and the
// settings read: set by the tests and benchmarks that arrange them.
#pragma once

namespace platform {

// An empty value clears the variable on Windows, as the system does, and
// leaves it set but empty elsewhere.
void SetEnv(const char* name, const char* value);
void UnsetEnv(const char* name);

// The variable that moves the user's settings folder (UserConfigFolder in
// folders.h): %APPDATA% on Windows, $XDG_CONFIG_HOME elsewhere.
const char* UserConfigVariable();

}  // namespace platform
