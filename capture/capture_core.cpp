#include "capture/capture_core.h"

#include <chrono>
#include <type_traits>

#include "capture/capture_state.h"
#include "capture/pcap_writer.h"
#include "platform/event.h"
#include "platform/thread.h"

// The library takes the platform's own event.
static_assert(std::is_same_v<platform::EventHandle, Com20020Event>);

namespace {

constexpr std::uint8_t kSubAddressRegister = 5;
constexpr std::uint8_t kIndexedRegister = 7;
constexpr std::uint8_t kSetup1 = 2;
constexpr std::uint8_t kReceiveAll = 0x10;
constexpr std::uint16_t kReadFailed = 0xFFFF;
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

// Takes every waiting frame, until the library says none is left; false
// when the output failed, which ends the drain and the capture at once.
bool Drain(CaptureFrontEnd& frontEnd, CaptureOutput& output) {
  ArcnetFrame frame{};
  do {
    if (Com20020Receive(&frame) == 0) {
      frontEnd.PublishCount(CountReceivedFrame());
      output.Append(frame);
      if (output.failed()) return false;
    }
  } while (frame.waiting != 0);
  // Out at the end of every drain: a crash loses at most one wake-up's
  // frames, and a reader (Wireshark) sees each frame a moment after it came.
  return output.Flush();
}

// Ends a capture whose output failed before the controller was touched.
int EndBeforeReceiving(CaptureFrontEnd& frontEnd, CaptureOutput& output) {
  output.Close();
  frontEnd.ReportWriteFailure(output.FailureMessage());
  CaptureFinished = 1;
  return -1;
}

}  // namespace

std::uint16_t ReadRegister(std::uint8_t reg) {
  RegisterRequest request{kRegisterRead, reg, 0};
  return Com20020Register(&request) == 0 ? request.value : kReadFailed;
}

std::int32_t WriteRegister(std::uint8_t reg, std::uint8_t value) {
  RegisterRequest request{kRegisterWrite, reg, value};
  return Com20020Register(&request);
}

std::uint16_t ReadIndexedRegister(std::uint8_t index) {
  WriteRegister(kSubAddressRegister, index);
  return ReadRegister(kIndexedRegister);
}

std::int32_t WriteIndexedRegister(std::uint8_t index, std::uint16_t value) {
  WriteRegister(kSubAddressRegister, index);
  return WriteRegister(kIndexedRegister, static_cast<std::uint8_t>(value));
}

int RunCapture(CaptureOutput& output, CaptureFrontEnd& frontEnd) {
  if (!output.Open()) {
    frontEnd.ShowOpenFailure(output.OpenFailure());
    CaptureFinished = 1;
    return -1;
  }
  WritePcapHeader(output.pcap());
  // Written at once: an output that takes nothing (a full disk, /dev/full)
  // ends the capture before the controller is touched.
  if (!output.Flush()) return EndBeforeReceiving(frontEnd, output);

  // A library that refuses the event is asked every slice instead, as when
  // there is no event at all: its frames are never left waiting unseen.
  platform::EventHandle event = platform::CreateAutoResetEvent();
  if (event != platform::kNoEvent) {
    platform::ResetEvent(event);
    if (Com20020WakeOnReceive(event) != 0) {
      platform::CloseEvent(event);
      event = platform::kNoEvent;
    }
  }

  // Receive all. A failed read carries no register content: writing its low
  // byte would garble Setup 1, so the controller is then left as it is.
  const std::uint16_t savedSetup1 = ReadIndexedRegister(kSetup1);
  const bool setup1Known = savedSetup1 != kReadFailed;
  if (setup1Known) WriteIndexedRegister(kSetup1, savedSetup1 | kReceiveAll);

  ReceivedCount = 0;
  Com20020FlushRX();
  CaptureRunning = 1;

  do {
    // Without an event the library is asked every slice instead.
    bool framesWaiting = true;
    if (event != platform::kNoEvent)
      framesWaiting = platform::WaitForEvent(event, kWaitSlice) == platform::WaitResult::kSignalled;
    else
      platform::Sleep(kWaitSlice);
    // An output that failed ends the capture as Stop does.
    if (framesWaiting && !Drain(frontEnd, output)) break;
  } while (CaptureRunning != 0 && frontEnd.KeepCapturing());
  CaptureRunning = 0;

  output.Close();
  if (setup1Known) WriteIndexedRegister(kSetup1, savedSetup1);
  Com20020ResetWakeOnReceive();
  if (event != platform::kNoEvent) platform::CloseEvent(event);
  if (output.failed()) frontEnd.ReportWriteFailure(output.FailureMessage());
  CaptureFinished = 1;
  return output.failed() ? -1 : 0;
}
