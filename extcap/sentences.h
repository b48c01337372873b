// What tarnwick-extcap tells Wireshark about itself, in extcap's sentences
// ("interface {value=...}{display=...}"), and its help for a person.
#pragma once

#include <ostream>

#include "extcap/command_line.h"

// The toolbar control that stops a capture, and the command Wireshark sends
// for a click on it.
inline constexpr int kStopControl = 0;

// The program's version, and one interface per adapter kind with the
// toolbar's stop button.
void PrintInterfaces(std::ostream& out);
void PrintVersion(std::ostream& out);
// Link type 129: ARCNET with the Linux header.
void PrintDlts(const ExtcapInterface& interface, std::ostream& out);
// The interface's options, each with the dialog's range or list and the
// operator's setting as its default (LoadSettings first).
void PrintConfig(const ExtcapInterface& interface, std::ostream& out);
void PrintHelp(std::ostream& out);
