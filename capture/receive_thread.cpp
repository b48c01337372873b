#include "capture/receive_thread.h"

#include <chrono>
#include <type_traits>

#include "adapter/com20020.h"
#include "capture/capture_files.h"
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
// when a file failed, which ends the drain and the capture at once.
bool Drain(CaptureWindow& window, CaptureFiles& files) {
  ArcnetFrame frame{};
  do {
    if (Com20020Receive(&frame) == 0) {
      window.PublishCount(CountReceivedFrame());
      files.Append(frame);
      if (files.failed()) return false;
    }
  } while (frame.waiting != 0);
  // On disk at the end of every drain: a crash loses at most one wake-up's
  // frames, and Wireshark can open the file while the capture runs.
  return files.Flush();
}

// Ends a capture whose files failed before the controller was touched.
int EndBeforeReceiving(CaptureWindow& window, CaptureFiles& files) {
  files.Close();
  window.ReportWriteFailure(files.FailureMessage());
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

int ReceiveThread(void* param) {
  CaptureWindow& window = *static_cast<CaptureWindow*>(param);

  CaptureFiles files;
  if (!files.Open()) {
    window.ShowOpenFailure();
    CaptureFinished = 1;
    return -1;
  }
  WritePcapHeader(files.pcap());
  // Written at once: a file that takes nothing (a full disk, /dev/full)
  // ends the capture before the controller is touched.
  if (!files.Flush()) return EndBeforeReceiving(window, files);

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
    // A file that failed ends the capture as Stop does: the thread leaves
    // its receive loop.
    if (framesWaiting && !Drain(window, files)) CaptureRunning = 0;
  } while (CaptureRunning != 0);

  files.Close();
  if (setup1Known) WriteIndexedRegister(kSetup1, savedSetup1);
  Com20020ResetWakeOnReceive();
  if (event != platform::kNoEvent) platform::CloseEvent(event);
  if (files.failed()) window.ReportWriteFailure(files.FailureMessage());
  CaptureFinished = 1;
  return files.failed() ? -1 : 0;
}
