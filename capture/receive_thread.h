// The capture thread: switches the controller to receive every frame, takes
// each frame the adapter library delivers, counts it and appends it to the
// capture file and the text dump, and puts the controller back when told to
// stop, or when a file cannot be written.
#pragma once

#include <cstdint>
#include <string>

// What the capture thread needs of the receive window.
class CaptureWindow {
 public:
  // Shows the new count; must not wait for the UI thread (it is called after
  // every frame).
  virtual void PublishCount(std::int32_t count) = 0;
  // The "Unable to open log file" box, owned by the window; returns once the
  // operator has closed it.
  virtual void ShowOpenFailure() = 0;
  // A capture file could not be written: the capture has ended, both files
  // hold whole records only, and the controller is as it was before the
  // capture. Called once, on the capture thread, just before it sets
  // CaptureFinished; must not wait for the operator.
  virtual void ReportWriteFailure(const std::string& message) = 0;

 protected:
  ~CaptureWindow() = default;
};

// The thread function; `param` is the CaptureWindow. Returns 0 after a
// normal end, -1 when a capture file could not be opened or written. Sets
// CaptureFinished as its very last step.
int ReceiveThread(void* param);

// The controller's registers through Com20020Register. A failed read gives
// 0xFFFF, which no 8-bit register holds.
std::uint16_t ReadRegister(std::uint8_t reg);
std::int32_t WriteRegister(std::uint8_t reg, std::uint8_t value);
// Register 5 selects which indexed register register 7 reaches.
std::uint16_t ReadIndexedRegister(std::uint8_t index);
std::int32_t WriteIndexedRegister(std::uint8_t index, std::uint16_t value);
