#include "extcap/live_capture.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "adapter/com20020.h"
#include "capture/capture_core.h"
#include "capture/pcap_stream.h"
#include "connect/connect.h"
#include "extcap/control_pipes.h"
#include "platform/file.h"
#include "platform/signals.h"
#include "settings/settings.h"

namespace {

// The capture core's front end: no window, so no count to show; the
// capture ends when `going` says so, when the reader goes, or by itself.
class ExtcapFrontEnd final : public CaptureFrontEnd {
 public:
  ExtcapFrontEnd(const PcapStream& stream, std::function<bool()> going)
      : stream_(stream), going_(std::move(going)) {}

  void PublishCount(std::int32_t) override {}
  // The stream is open before the adapter is touched: not reached.
  void ShowOpenFailure(const std::string&) override {}
  void ReportCaptureEnded(const CaptureEnd& end) override { end_ = end; }
  bool KeepCapturing() override { return going_() && !stream_.ReaderGone(); }

  const std::optional<CaptureEnd>& end() const { return end_; }

 private:
  const PcapStream& stream_;
  std::function<bool()> going_;
  std::optional<CaptureEnd> end_;
};

void ApplySettings(const ExtcapCommand& command) {
  // In the options' own order, not the command line's.
  for (const AdapterOption& option : AdapterOptions()) {
    for (const ExtcapCommand::Setting& setting : command.settings)
      if (setting.option == &option) {
        option.set(setting.value);
        if (option.range != nullptr) ForgetFileValue(*option.range);
      }
  }
}

}  // namespace

int RunLiveCapture(const ExtcapCommand& command, std::ostream& err) {
  platform::ReportFailedWritesAsErrors();
  std::atomic<bool> stopRequested{false};
  const platform::StopRequests stopRequests(stopRequested);
  ControlPipes control(command.controlIn, command.controlOut);
  // A stop request, Stop clicked, or Wireshark gone (a parent killed
  // outright signals nothing): asked between slices and while the reader
  // takes nothing, so the capture ends within a slice even then.
  const auto going = [&] {
    return !stopRequested && !control.StopRequested() && !stopRequests.ParentGone();
  };

  // Opened first: Wireshark waits for its reading end to be opened, and only
  // then hears of an adapter that does not come on line.
  PcapStream stream(command.fifo, going);
  if (!stream.Open()) {
    if (!going()) return 0;  // stopped while waiting for the reader
    err << "Unable to open " << stream.OpenFailure() << "\n";
    return 1;
  }
  // The control pipes' thread leaves what is not a FIFO alone, unread and
  // unwritten, and could not say so: said here.
  for (const std::string* pipe : {&command.controlIn, &command.controlOut}) {
    if (!pipe->empty() && !platform::IsPipe(pipe->c_str())) {
      err << "Unable to open " << *pipe << ": not a FIFO.\n";
      return 1;
    }
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

  ExtcapFrontEnd frontEnd(stream, going);
  RunCapture(stream, frontEnd);
  Com20020Exit();
  // A reader that went away is how Wireshark ends a capture where it cannot
  // signal: no failure, nor is a write given up for a stop request; unless
  // the adapter went first.
  const std::optional<CaptureEnd>& end = frontEnd.end();
  if (end && (end->adapterLost || (!stream.ReaderGone() && going()))) {
    err << end->message << "\n";
    return 1;
  }
  return 0;
}
