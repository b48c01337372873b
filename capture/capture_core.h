// The road of a frame, shared by the receive window's capture thread and by
// tarnwick-extcap: open the output, write the pcap global header, register
// the receive event, switch the controller to receive every frame, discard
// the frames already waiting, then take every frame the adapter library
// delivers, one wait slice at a time, until told to stop, the output fails
// or the adapter goes away; then close the output and put the controller
// back as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "adapter/com20020.h"
#include "capture/record_file.h"

// What a capture writes to: the receive window's two files, or the pcap
// stream of a live capture.
class CaptureOutput {
 public:
  // Opens what the capture writes to, unless it is open already; false when
  // it cannot be opened.
  virtual bool Open() = 0;
  // Once Open has failed, for the operator: what could not be opened and
  // why, one line each ("tarnwick.pcap: not a regular file.").
  virtual std::string OpenFailure() const = 0;
  // The pcap stream, for its global header.
  virtual RecordFile& pcap() = 0;
  // One received frame.
  virtual void Append(const ArcnetFrame& frame) = 0;
  // Writes out what is buffered; false once the output has failed.
  virtual bool Flush() = 0;
  virtual bool failed() const = 0;
  // Writes out the rest and closes.
  virtual void Close() = 0;
  // Once the capture has ended by itself, for the operator: `cause` (empty
  // when the output failed), what failed in the output and why, that the
  // capture has stopped, and what the output holds.
  virtual std::string EndMessage(std::string_view cause) const = 0;

 protected:
  ~CaptureOutput() = default;
};

// Why a capture ended by itself, for the operator.
struct CaptureEnd {
  // The adapter went away; otherwise the output could not be written.
  bool adapterLost = false;
  // The cause, that the capture has stopped, and what the output holds.
  std::string message;
};

// What the capture needs of the front end that started it.
class CaptureFrontEnd {
 public:
  // The new count, after every frame; must not wait.
  virtual void PublishCount(std::int32_t count) = 0;
  // The output could not be opened, for the reasons `why`
  // (CaptureOutput::OpenFailure). Returns once the operator has been told.
  virtual void ShowOpenFailure(const std::string& why) = 0;
  // The capture ended by itself, because the output could not be written
  // or the adapter went away: the output holds whole records only, and the
  // controller is as it was before the capture wherever it could still be
  // reached. Called once, just before CaptureFinished is set; must not wait
  // for the operator.
  virtual void ReportCaptureEnded(const CaptureEnd& end) = 0;
  // Asked after every wait slice or drain, as CaptureRunning is: false ends
  // the capture as Stop does.
  virtual bool KeepCapturing() { return true; }

 protected:
  ~CaptureFrontEnd() = default;
};

// One capture, on the calling thread, of an adapter that is on line. Sets
// CaptureRunning once receiving and clears it on the way out, and sets
// CaptureFinished as its very last step. Returns 0 after a normal end, -1
// when the output could not be opened or written or the adapter went away.
int RunCapture(CaptureOutput& output, CaptureFrontEnd& frontEnd);

// The controller's registers through Com20020Register. A failed read gives
// 0xFFFF, which no 8-bit register holds.
std::uint16_t ReadRegister(std::uint8_t reg);
std::int32_t WriteRegister(std::uint8_t reg, std::uint8_t value);
// Register 5 selects which indexed register register 7 reaches.
std::uint16_t ReadIndexedRegister(std::uint8_t index);
std::int32_t WriteIndexedRegister(std::uint8_t index, std::uint16_t value);
