#include "capture/pcap_stream.h"

#include <utility>

#include "capture/pcap_writer.h"
#include "platform/file.h"

PcapStream::PcapStream(std::string name, platform::KeepWaiting keepWaiting)
    : name_(std::move(name)), keepWaiting_(std::move(keepWaiting)) {}

bool PcapStream::Open() {
  if (file_) return true;
  platform::OutputFile file =
      name_ == kStandardOutput
          ? platform::OutputFile::StandardOutput(keepWaiting_)
          : platform::OutputFile(name_.c_str(), platform::OutputKind::kPipe, keepWaiting_);
  if (!file.is_open()) {
    openError_ = file.error();
    return false;
  }
  file_.emplace(std::move(file));
  return true;
}

void PcapStream::Append(const ArcnetFrame& frame) {
  ++frames_;
  WritePcapRecord(*file_, frame);
}

void PcapStream::Close() {
  readerGoneAtClose_ = ReaderGone();
  file_->Close();
}

std::string PcapStream::OpenFailure() const {
  return DisplayName() + ": " + openError_ + ".";
}

std::string PcapStream::DisplayName() const {
  return name_ == kStandardOutput ? "standard output" : name_;
}

std::string PcapStream::EndMessage(std::string_view cause) const {
  // One line: Wireshark shows it as it stands.
  std::string message = cause.empty() ? std::string() : std::string(cause) + ".";
  if (file_->failed()) {
    if (!message.empty()) message += " ";
    message += "Unable to write the capture to " + DisplayName() + ": " + file_->failure() + ".";
  }
  if (frames_ == 0) return message + " The capture has stopped.";
  return message + " The capture has stopped after " + std::to_string(frames_) + " frames.";
}
