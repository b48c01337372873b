// The capture operation of tarnwick-extcap: the adapter brought on line as
// the Connect button does, from the settings of Tarnwick.ini and the
// options given, then the capture core into the FIFO or standard output
// until Wireshark stops it, then the adapter off line.
#pragma once

#include <ostream>

#include "extcap/command_line.h"

// Returns the program's exit status: 0 after a capture that ended as asked
// (a stop request, Stop, the reader closing the FIFO), 1 when the FIFO could
// not be opened, the adapter not brought on line, the capture not written, or
// the adapter went away during it, with the reason on `err`. Never writes the settings file.
int RunLiveCapture(const ExtcapCommand& command, std::ostream& err);
