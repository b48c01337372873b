// The reason the last failed system call of this thread gave, for messages.
#pragma once

#include <string>

namespace platform {

// In the system's own words, without a final full stop: "No space left on
// device". errno elsewhere, GetLastError() on Windows.
std::string LastErrorText();

}  // namespace platform
