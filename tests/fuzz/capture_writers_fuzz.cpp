// The capture writers on any frames, through a real file that a file-size
// limit cuts at any byte: the pcap records and text blocks are exactly what
// independent encoders make of the frames (a claimed length past 508 bytes
// included), and a file cut short ends with its last whole record.
//
// Input: the file-size limit (0: none), then frames until the input ends:
// source, destination, claimed length, the seconds and milliseconds to
// stamp, and data bytes.
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "capture/pcap_writer.h"
#include "capture/record_file.h"
#include "capture/text_writer.h"
#include "platform/file.h"
#include "tests/capture/frame_files.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Le32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

std::string PcapRecordOf(const ArcnetFrame& frame, const platform::WallTime& now) {
  const std::size_t captured = std::min<std::size_t>(frame.length, kArcnetMaxData);
  return Le32(static_cast<std::uint32_t>(now.seconds)) + Le32(now.milliseconds * 1000) +
         Le32(static_cast<std::uint32_t>(captured + 4)) + Le32(frame.length + 4u) +
         testing_support::CapturedBytes(frame);
}

struct Scratch {
  std::filesystem::path folder;
  Scratch() {
    char pattern[] = "/tmp/tarnwick-fuzz-XXXXXX";
    Check(mkdtemp(pattern) != nullptr);
    folder = pattern;
    // A write past the limit must fail, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
  }
  ~Scratch() { std::filesystem::remove_all(folder); }
};

// Writes `records` to `path` through a RecordFile under the limit, and
// checks the file against them.
template <typename WriteAll>
void CheckFile(const std::filesystem::path& path, std::uint32_t limit,
               const std::vector<std::string>& records, WriteAll writeAll) {
  rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit limited = old;
  if (limit != 0) limited.rlim_cur = limit;
  bool closed;
  {
    setrlimit(RLIMIT_FSIZE, &limited);
    RecordFile file{platform::OutputFile(path.c_str(), platform::OutputKind::kFile)};
    writeAll(file);
    closed = file.Close();
    setrlimit(RLIMIT_FSIZE, &old);
  }
  std::ifstream in(path, std::ios::binary);
  const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string whole;
  bool cut = false;
  for (const std::string& record : records) {
    cut = limit != 0 && whole.size() + record.size() > limit;
    if (cut) break;
    whole += record;
  }
  Check(closed != cut);
  Check(written == whole);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  fuzzing::FuzzInput input(data, size);
  const std::uint32_t limit = input.U32() % 65536;
  std::vector<ArcnetFrame> frames;
  std::vector<platform::WallTime> times;
  while (!input.empty() && frames.size() < 64) {
    ArcnetFrame& frame = frames.emplace_back();
    frame.source = input.Byte();
    frame.destination = input.Byte();
    frame.length = input.U16();
    times.push_back({static_cast<std::int64_t>(input.U32()) << (input.Byte() % 8),
                     static_cast<std::uint32_t>(input.U16() % 1000)});
    const std::size_t given = std::min<std::size_t>(frame.length, input.Byte() % 64);
    for (std::size_t i = 0; i < given; ++i) frame.data[i] = input.Byte();
  }

  std::vector<std::string> pcap = {
      std::string("\xD4\xC3\xB2\xA1\x02\x00\x04\x00\xFA\xFF\xFF\xFF"
                  "\x00\x00\x00\x00\xFF\xFF\x00\x00\x81\x00\x00\x00",
                  24)};
  std::vector<std::string> text;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    pcap.push_back(PcapRecordOf(frames[i], times[i]));
    text.push_back(testing_support::TextBlockByPrintf(frames[i]));
  }
  CheckFile(scratch.folder / "f.pcap", limit, pcap, [&](RecordFile& file) {
    WritePcapHeader(file);
    for (std::size_t i = 0; i < frames.size(); ++i) WritePcapRecord(file, frames[i], times[i]);
  });
  CheckFile(scratch.folder / "f.tmp", limit, text, [&](RecordFile& file) {
    for (const ArcnetFrame& frame : frames) WriteTextRecord(file, frame);
  });
  return 0;
}
