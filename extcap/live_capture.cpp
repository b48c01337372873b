#include "extcap/live_capture.h"

#include <atomic>
#include <optional>
#include <string>

#include "adapter/com20020.h"
#include "adapter/connect.h"
#include "capture/capture_core.h"
#include "capture/pcap_stream.h"
#include "extcap/control_pipes.h"
#include "platform/signals.h"

namespace {

// The capture core's front end: no window, so no count to show; the
// capture ends on a stop request, a click on Stop, the reader going, or by
// itself.
class ExtcapFrontEnd final : public CaptureFrontEnd {
 public:
  ExtcapFrontEnd(const PcapStream& stream, const std::atomic<bool>& stopRequested,
                 const ControlPipes& control)
      : stream_(stream), stopRequested_(stopRequested), control_(control) {}

  void PublishCount(std::int32_t) override {}
  // The stream is open before the adapter is touched: not reached.
  void ShowOpenFailure() override {}
  void ReportCaptureEnded(const CaptureEnd& end) override { end_ = end; }
  bool KeepCapturing() override {
    return !stopRequested_ && !control_.StopRequested() && !stream_.ReaderGone();
  }

  const std::optional<CaptureEnd>& end() const { return end_; }

 private:
  const PcapStream& stream_;
  const std::atomic<bool>& stopRequested_;
  const ControlPipes& control_;
  std::optional<CaptureEnd> end_;
};

void ApplySettings(const ExtcapCommand& command) {
  // In the options' own order, not the command line's.
  for (const AdapterOption& option : AdapterOptions()) {
    for (const ExtcapCommand::Setting& setting : command.settings)
      if (setting.option == &option) option.set(setting.value);
  }
}

}  // namespace

int RunLiveCapture(const ExtcapCommand& command, std::ostream& err) {
  platform::ReportFailedWritesAsErrors();
  std::atomic<bool> stopRequested{false};
  const platform::StopRequests stopRequests(stopRequested);
  ControlPipes control(command.controlIn, command.controlOut);

  // Opened first: Wireshark waits for its reading end to be opened, and only
  // then hears of an adapter that does not come on line.
  PcapStream stream(command.fifo);
  if (!stream.Open()) {
    if (stopRequested) return 0;  // stopped while waiting for the reader
    err << "Unable to open " << stream.DisplayName() << ": " << stream.openError() << "\n";
    return 1;
  }

  ApplySettings(command);
  const ExtcapInterface& interface = *command.interface;
  const InitOutcome outcome =
      InitAdapter(interface.kind == kAdapterServer, interface.kind == kAdapterUsb);
  if (const std::string failure = InitFailureText(outcome); !failure.empty()) {
    err << failure << "\n";
    return 1;
  }
  control.ShowStatus(std::string(interface.display) + ": on line as node " +
                     std::to_string(outcome.nodeId) + ", receiving every frame");

  ExtcapFrontEnd frontEnd(stream, stopRequested, control);
  RunCapture(stream, frontEnd);
  Com20020Exit();
  // A reader that went away is how Wireshark ends a capture where it cannot
  // signal: no failure, unless the adapter went first.
  const std::optional<CaptureEnd>& end = frontEnd.end();
  if (end && (end->adapterLost || !stream.ReaderGone())) {
    err << end->message << "\n";
    return 1;
  }
  return 0;
}
