#include "capture/capture_core.h"

#include <chrono>
#include <type_traits>

#include "adapter/adapter_lost.h"
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

// Keeps the first result of the capture's library calls that says the
// adapter has gone: from then on nothing more will come.
class AdapterWatch {
 public:
  std::int32_t Check(std::int32_t result) {
    if (cause_.empty()) cause_ = AdapterLostCause(result);
    return result;
  }
  bool lost() const { return !cause_.empty(); }
  std::string_view cause() const { return cause_; }

 private:
  std::string_view cause_;
};

// Takes every waiting frame, until the library says none is left; false
// when the output failed, which ends the drain and the capture at once, or
// when the adapter has gone, which ends the capture after the drain.
bool Drain(CaptureFrontEnd& frontEnd, CaptureOutput& output, AdapterWatch& adapter) {
  ArcnetFrame frame{};
  do {
    if (adapter.Check(Com20020Receive(&frame)) == 0) {
      frontEnd.PublishCount(CountReceivedFrame());
      output.Append(frame);
      if (output.failed()) return false;
    }
  } while (frame.waiting != 0);
  // Out at the end of every drain: a crash loses at most one wake-up's
  // frames, and a reader (Wireshark) sees each frame a moment after it came.
  return output.Flush() && !adapter.lost();
}

// Ends a capture whose output failed before the controller was touched.
int EndBeforeReceiving(CaptureFrontEnd& frontEnd, CaptureOutput& output) {
  output.Close();
  frontEnd.ReportCaptureEnded({false, output.EndMessage("")});
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
  AdapterWatch adapter;
  platform::EventHandle event = platform::CreateAutoResetEvent();
  if (event != platform::kNoEvent) {
    platform::ResetEvent(event);
    if (adapter.Check(Com20020WakeOnReceive(event)) != 0) {
      platform::CloseEvent(event);
      event = platform::kNoEvent;
    }
  }

  // Receive all. A failed read carries no register content: writing its low
  // byte would garble Setup 1, so the controller is then left as it is.
  const std::uint16_t savedSetup1 = ReadIndexedRegister(kSetup1);
  const bool setup1Known = savedSetup1 != kReadFailed;
  if (setup1Known) adapter.Check(WriteIndexedRegister(kSetup1, savedSetup1 | kReceiveAll));

  ReceivedCount = 0;
  // An adapter already gone says so here at the latest.
  adapter.Check(Com20020FlushRX());
  CaptureRunning = 1;

  while (!adapter.lost()) {
    // Without an event the library is asked every slice instead.
    bool framesWaiting = true;
    if (event != platform::kNoEvent)
      framesWaiting = platform::WaitForEvent(event, kWaitSlice) == platform::WaitResult::kSignalled;
    else
      platform::Sleep(kWaitSlice);
    // An output that failed or an adapter that went away ends the capture
    // as Stop does.
    if (framesWaiting && !Drain(frontEnd, output, adapter)) break;
    if (CaptureRunning == 0 || !frontEnd.KeepCapturing()) break;
  }
  CaptureRunning = 0;

  output.Close();
  // A controller that has gone cannot be put back.
  if (setup1Known && !adapter.lost()) adapter.Check(WriteIndexedRegister(kSetup1, savedSetup1));
  Com20020ResetWakeOnReceive();
  if (event != platform::kNoEvent) platform::CloseEvent(event);
  const bool endedByItself = output.failed() || adapter.lost();
  if (endedByItself)
    frontEnd.ReportCaptureEnded({adapter.lost(), output.EndMessage(adapter.cause())});
  CaptureFinished = 1;
  return endedByItself ? -1 : 0;
}
