// The receive window's capture thread: one capture (capture/capture_core.h)
// into "tarnwick.pcap" and "tarnwick.tmp" in the current folder.
#pragma once

// The thread function; `param` is the receive window, as a CaptureFrontEnd.
// Returns 0 after a normal end, -1 when a capture file could not be opened
// or written. Sets CaptureFinished as its very last step.
int ReceiveThread(void* param);
