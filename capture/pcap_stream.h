// A capture's frames as one pcap stream and nothing else, written to a FIFO
// (the one Wireshark hands an extcap program) or to standard output: the
// same bytes as "tarnwick.pcap", written out at the end of every drain, so a
// live reader is never more than one wake-up behind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture/capture_core.h"
#include "capture/record_file.h"
#include "platform/file.h"

class PcapStream final : public CaptureOutput {
 public:
  // The name standing for standard output.
  static constexpr char kStandardOutput[] = "-";

  // `name`: a FIFO's path, or kStandardOutput. `keepWaiting`: asked while
  // the reader has not opened the FIFO, or takes nothing (see
  // platform::KeepWaiting); false gives up.
  PcapStream(std::string name, platform::KeepWaiting keepWaiting);

  // Opens the stream, once; a FIFO's open waits until its reader has opened
  // it. False when it cannot be opened: not a FIFO, or given up.
  bool Open() override;
  std::string OpenFailure() const override;

  RecordFile& pcap() override { return *file_; }
  void Append(const ArcnetFrame& frame) override;
  bool Flush() override { return file_->Flush(); }
  bool failed() const override { return file_->failed(); }
  void Close() override;
  std::string EndMessage(std::string_view cause) const override;

  // The reader has closed its end of the FIFO or pipe: the capture has no
  // one left to write for. Asked without writing, so an idle capture learns
  // it too; once closed, whether the reader had gone by then.
  bool ReaderGone() const { return readerGoneAtClose_ || (file_ && file_->ReaderGone()); }

  // How the stream is named to the operator.
  std::string DisplayName() const;

 private:
  std::string name_;
  platform::KeepWaiting keepWaiting_;
  std::optional<RecordFile> file_;
  std::string openError_;
  std::uint64_t frames_ = 0;
  bool readerGoneAtClose_ = false;
};
