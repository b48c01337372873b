// The two files of a capture, "tarnwick.pcap" and "tarnwick.tmp", each
// written as whole records: every frame goes to both, and what a drain
// collected is written out at its end. When a file fails it keeps its whole
// records and takes nothing more; the capture is then to end, and
// EndMessage says what happened for the operator.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "adapter/com20020.h"
#include "capture/capture_core.h"
#include "capture/record_file.h"

inline constexpr char kCaptureFileName[] = "tarnwick.pcap";
inline constexpr char kTextDumpFileName[] = "tarnwick.tmp";

class CaptureFiles final : public CaptureOutput {
 public:
  // Creates (empties) the text dump, then the capture file, in the current
  // folder, each held for this capture alone until closed (see
  // platform::OutputKind::kFile). Both are tried before either is tested,
  // so both are emptied whenever either can be; false when either failed,
  // and then neither is open.
  bool Open() override;
  std::string OpenFailure() const override { return openFailure_; }

  RecordFile& pcap() override { return *pcap_; }
  RecordFile& text() { return *text_; }

  // One received frame, to both files.
  void Append(const ArcnetFrame& frame) override;
  // Writes out what is buffered; false once either file has failed.
  bool Flush() override;
  bool failed() const override { return pcap_->failed() || text_->failed(); }
  // Writes out the rest and closes both.
  void Close() override;

  // For the operator, once the capture has ended by itself: the cause,
  // which file failed and why, that the capture has stopped, and how many
  // frames each file holds.
  std::string EndMessage(std::string_view cause) const override;

 private:
  std::optional<RecordFile> text_;
  std::optional<RecordFile> pcap_;
  std::filesystem::path folder_;
  std::string openFailure_;
  std::uint64_t frames_ = 0;
};
