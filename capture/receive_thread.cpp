#include "capture/receive_thread.h"

#include <chrono>
#include <cstdio>
#include <type_traits>

#include "adapter/com20020.h"
#include "capture/capture_state.h"
#include "capture/pcap_writer.h"
#include "capture/text_writer.h"
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

// Takes every waiting frame, until the library says none is left.
void Drain(CaptureWindow& window, std::FILE* pcap, std::FILE* text) {
  ArcnetFrame frame{};
  do {
    if (Com20020Receive(&frame) == 0) {
      window.PublishCount(CountReceivedFrame());
      WritePcapRecord(pcap, frame);
      WriteTextRecord(text, frame);
    }
  } while (frame.waiting != 0);
  // On disk at the end of every drain: a crash loses at most one wake-up's
  // frames, and Wireshark can open the file while the capture runs.
  std::fflush(pcap);
  std::fflush(text);
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

  // Both opens come before either is tested, so both files are emptied
  // whenever one of them can be created.
  std::FILE* text = std::fopen(kTextDumpFileName, "w");
  std::FILE* pcap = std::fopen(kCaptureFileName, "wb");
  if (text == nullptr || pcap == nullptr) {
    if (text != nullptr) std::fclose(text);
    if (pcap != nullptr) std::fclose(pcap);
    window.ShowOpenFailure();
    CaptureFinished = 1;
    return -1;
  }
  WritePcapHeader(pcap);

  const platform::EventHandle event = platform::CreateAutoResetEvent();
  if (event != platform::kNoEvent) {
    platform::ResetEvent(event);
    Com20020WakeOnReceive(event);
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
    if (framesWaiting) Drain(window, pcap, text);
  } while (CaptureRunning != 0);

  std::fclose(text);
  std::fclose(pcap);
  if (setup1Known) WriteIndexedRegister(kSetup1, savedSetup1);
  Com20020ResetWakeOnReceive();
  if (event != platform::kNoEvent) platform::CloseEvent(event);
  CaptureFinished = 1;
  return 0;
}
