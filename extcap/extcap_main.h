// tarnwick-extcap: Tarnwick's capture as an extcap program, so that Wireshark
// and tshark capture from an ARCNET adapter live. Its command line and
// sentences follow Wireshark's extcap interface.
#pragma once

#include <ostream>
#include <span>
#include <string_view>

// Runs the program with its arguments (without the program's name); sentences
// and help go to `out`, errors to `err`. Returns the exit status.
int ExtcapMain(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
