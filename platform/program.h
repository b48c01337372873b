// Facts about the running program.
#pragma once

#include <string>

namespace platform {

// The program file's name without folder or extension ("tarnwick").
std::string ProgramName();

}  // namespace platform
