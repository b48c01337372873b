// Facts about the running program.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program file's name without folder or extension ("tarnwick").
std::string ProgramName();

// The arguments after the program's name, as UTF-8. On Windows they are
// taken from the wide command line: `argv` holds them in the ANSI code page,
// which loses a file named "東京.pcap".
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace platform
