// The sample capture file written at every start: three copies of one
// BACnet-over-ARCNET frame, so an operator can check that Wireshark opens
// our files before any adapter is connected.
#pragma once

#include "adapter/com20020.h"

inline constexpr char kSampleCaptureFileName[] = "arcnet.tmp";

// A ReadPropertyMultiple Complex-ACK (invoke ID 23) from node 0x03 to 0x15.
ArcnetFrame SampleFrame();

// Creates "arcnet.tmp" in the current folder: the pcap global header and
// three records of the sample frame. Writes nothing, and says nothing, when
// the file cannot be created or is no file of ours (a FIFO, a device, a
// link we must not follow, another program's file: platform::OutputFile).
void WriteSampleCapture();
