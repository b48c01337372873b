// Bringing the adapter on line with the configured settings and taking it
// off line: the library side of the main window's Connect button.
#pragma once

#include <cstdint>
#include <string>

#include "adapter/com20020.h"

// An adapter is on line.
extern std::uint8_t Connected;

struct DataRateCodes {
  std::uint8_t dataRateCode;
  std::uint8_t highRate;
};

// The library's codes for an entry of the Data Rate list and of the Extended
// Timeouts list; an index outside the list (negative ones included) gets the
// codes of 2.5 MHz and of Standard.
DataRateCodes DataRateCodesFor(std::int32_t dataRate);
std::uint8_t TimeoutCodeFor(std::int32_t timeouts);

struct InitOutcome {
  std::int32_t result;  // Com20020Init's: 0 on line, else the library's error code
  std::uint8_t nodeId;  // the node ID the library left in the block
  // Set when a setting does not fit its field of the library's call, which
  // is then not made: what the operator is told.
  std::string refusal;
};

// Initialises the network server device when `server`, else the local
// adapter: the USB adapter when `usb`, else the PCI card. A setting outside
// its range (settings/setting_ranges.h), as a hand-edited settings file may
// hold, is refused, never cut or mapped to fit.
InitOutcome InitAdapter(bool server, bool usb);

// What the operator is told when the adapter did not come on line: the
// refusal, or "Init Error: N" with the library's code. Empty when it did.
std::string InitFailureText(const InitOutcome& outcome);
