#include "capture/capture_files.h"

#include <system_error>
#include <utility>

#include "capture/pcap_writer.h"
#include "capture/text_writer.h"
#include "platform/file.h"
#include "platform/text_encoding.h"

bool CaptureFiles::Open() {
  if (pcap_) return true;
  platform::OutputFile text(kTextDumpFileName, platform::OutputKind::kFile);
  platform::OutputFile pcap(kCaptureFileName, platform::OutputKind::kFile);
  openFailure_.clear();
  for (const auto& [name, file] :
       {std::pair{kTextDumpFileName, &text}, {kCaptureFileName, &pcap}}) {
    if (!file->is_open()) openFailure_ += std::string(name) + ": " + file->error() + ".\n";
  }
  if (!openFailure_.empty()) {
    openFailure_.pop_back();
    return false;
  }
  text_.emplace(std::move(text));
  pcap_.emplace(std::move(pcap));
  std::error_code ec;
  folder_ = std::filesystem::current_path(ec);
  frames_ = 0;
  return true;
}

void CaptureFiles::Append(const ArcnetFrame& frame) {
  ++frames_;
  WritePcapRecord(*pcap_, frame);
  WriteTextRecord(*text_, frame);
}

bool CaptureFiles::Flush() {
  // Both, even when the first fails: the other stays complete.
  const bool pcapWritten = pcap_->Flush();
  const bool textWritten = text_->Flush();
  return pcapWritten && textWritten;
}

void CaptureFiles::Close() {
  text_->Close();
  pcap_->Close();
}

std::string CaptureFiles::EndMessage(std::string_view cause) const {
  struct Held {
    const char* name;
    const RecordFile& file;
    std::uint64_t frames;
  };
  // The capture file's first record is its global header.
  const std::uint64_t pcapRecords = pcap_->recordsWritten();
  const Held files[] = {{kCaptureFileName, *pcap_, pcapRecords > 0 ? pcapRecords - 1 : 0},
                        {kTextDumpFileName, *text_, text_->recordsWritten()}};
  std::string message = cause.empty() ? std::string() : std::string(cause) + ".\n";
  for (const Held& held : files) {
    if (held.file.failed())
      message +=
          "Unable to write log file " + std::string(held.name) + ": " + held.file.failure() + ".\n";
  }
  message += "The capture has stopped";
  if (frames_ == 0) return message + ".";
  message += " after " + std::to_string(frames_) + " frames.\n\n";
  for (const Held& held : files) {
    message += held.name;
    message += held.frames == frames_ ? " holds all of them, "
                                      : " holds the first " + std::to_string(held.frames) + ", ";
  }
  return message + "each frame whole, in " + platform::PathText(folder_) + ".";
}
