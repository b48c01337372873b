// The capture writers against libpcap's own pcap_dump, writing the same
// frames (41 and 508 data bytes) to real files in a temporary folder, all as
// a capture of the busiest network writes them: 51,000 frames/s woken every
// millisecond, so the file is written out (fflush, pcap_dump_flush, or our
// RecordFile's own write) after every 51 frames. pcap_dump and the printf
// reference write through a FILE*. Every writer reads the clock once per
// frame, as a capture does. Goals, per 41-byte frame: WritePcapRecord no
// slower than pcap_dump; WriteTextRecord at most 4x WritePcapRecord. The printf row is the
// reference: one fprintf per field and per byte, the same text.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <pcap/pcap.h>
#include <string>
#include <sys/time.h>
#include <utility>
#include <vector>

#include "capture/pcap_writer.h"
#include "capture/record_file.h"
#include "capture/sample_capture.h"
#include "capture/text_writer.h"
#include "platform/file.h"
#include "platform/temp_folder.h"

namespace {

constexpr int kShort = 41;  // the sample frame: a BACnet ReadPropertyMultiple ACK
constexpr int kFull = static_cast<int>(kArcnetMaxData);

// Each benchmark starts its file afresh after this many frames, so a file
// stays small (the page cache takes it) however many frames are timed.
constexpr std::int64_t kFramesPerFile = 4096;
// Written out after this many frames: the end of one drain.
constexpr std::int64_t kFramesPerDrain = 51;

platform::TempFolder& Folder() {
  static platform::TempFolder folder("tarnwick-bench-");
  return folder;
}

ArcnetFrame FrameOf(int length) {
  if (length == kShort) return SampleFrame();
  ArcnetFrame frame{};
  frame.source = 0x15;
  frame.destination = 0x03;
  frame.length = static_cast<std::uint16_t>(length);
  std::uint32_t x = 0x9E3779B9;  // any bytes, all of them different in the dump
  for (int i = 0; i < length; ++i) {
    x = x * 1664525 + 1013904223;
    frame.data[i] = static_cast<std::uint8_t>(x >> 24);
  }
  return frame;
}

// The block WriteTextRecord writes, as fprintf writes it: one call per field
// and per byte.
void PrintfTextRecord(std::FILE* f, const ArcnetFrame& frame) {
  std::fprintf(f, "Received Packet:\n\n");
  std::fprintf(f, "Source ID: %02x\n", frame.source);
  std::fprintf(f, "Destination ID: %02x\n", frame.destination);
  std::fprintf(f, "Packet Length: %03x", frame.length);
  const unsigned shown = std::min<unsigned>(frame.length, kArcnetMaxData);
  for (unsigned i = 0; i < shown; ++i) {
    if (i % 16 == 0) std::fprintf(f, "\n[%03X]:", i);
    std::fprintf(f, "%02X ", frame.data[i]);
  }
  std::fprintf(f, "\n\n");
}

// libpcap's writer with the timestamp a capture would give it.
struct PcapDumpWriter {
  pcap_t* dead = pcap_open_dead(DLT_ARCNET_LINUX, 65535);
  pcap_dumper_t* dumper = nullptr;

  // Takes the file: pcap_dump_close closes it.
  explicit PcapDumpWriter(std::FILE* file) {
    if (dead != nullptr && file != nullptr) dumper = pcap_dump_fopen(dead, file);
    if (dumper == nullptr && file != nullptr) std::fclose(file);
  }
  ~PcapDumpWriter() {
    if (dumper != nullptr) pcap_dump_close(dumper);  // closes the file too
    if (dead != nullptr) pcap_close(dead);
  }
  PcapDumpWriter(const PcapDumpWriter&) = delete;
  PcapDumpWriter& operator=(const PcapDumpWriter&) = delete;

  void Write(const ArcnetFrame& frame) {
    pcap_pkthdr header;
    gettimeofday(&header.ts, nullptr);
    header.caplen = header.len = static_cast<bpf_u_int32>(kArcnetHeaderSize + frame.length);
    // The library's record starts with the Linux ARCNET header (source,
    // destination, length), so the frame is written in place.
    pcap_dump(reinterpret_cast<u_char*>(dumper), &header, reinterpret_cast<const u_char*>(&frame));
  }
};

std::string PathFor(const benchmark::State& state, const char* what) {
  return (Folder().path() / (std::string(what) + "-" + std::to_string(state.range(0)))).string();
}

// The timed loop, the same for every writer: `open` makes the file afresh
// (a pcap file with its global header) and returns the writer, whose
// Write(frame) appends one frame and EndDrain() writes the file out.
template <typename Open>
void TimeWrites(benchmark::State& state, Open open) {
  const ArcnetFrame frame = FrameOf(static_cast<int>(state.range(0)));
  auto writer = open();
  std::int64_t untilDrainEnds = kFramesPerDrain;
  std::int64_t untilNewFile = kFramesPerFile;
  for (auto _ : state) {
    writer->Write(frame);
    if (--untilDrainEnds == 0) {
      writer->EndDrain();
      untilDrainEnds = kFramesPerDrain;
    }
    if (--untilNewFile == 0) {
      writer.reset();
      writer = open();
      untilNewFile = kFramesPerFile;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

struct PcapDumpFile : PcapDumpWriter {
  using PcapDumpWriter::PcapDumpWriter;
  void EndDrain() { pcap_dump_flush(dumper); }
};

struct PrintfFile {
  std::FILE* file;
  ~PrintfFile() { std::fclose(file); }
  void Write(const ArcnetFrame& frame) { PrintfTextRecord(file, frame); }
  void EndDrain() { std::fflush(file); }
};

template <void (*WriteRecord)(RecordFile&, const ArcnetFrame&)>
struct OurFile {
  RecordFile file;
  void Write(const ArcnetFrame& frame) { WriteRecord(file, frame); }
  void EndDrain() { file.Flush(); }
};

void WritePcapRecordNow(RecordFile& file, const ArcnetFrame& frame) {
  WritePcapRecord(file, frame);
}

void BM_PcapDump(benchmark::State& state) {
  const std::string path = PathFor(state, "pcap_dump");
  TimeWrites(state, [&] { return std::make_unique<PcapDumpFile>(std::fopen(path.c_str(), "wb")); });
}

void BM_WritePcapRecord(benchmark::State& state) {
  const std::string path = PathFor(state, "pcap");
  TimeWrites(state, [&] {
    std::unique_ptr<OurFile<WritePcapRecordNow>> writer(new OurFile<WritePcapRecordNow>{
        RecordFile(platform::OutputFile(path.c_str(), platform::OutputKind::kFile))});
    WritePcapHeader(writer->file);
    return writer;
  });
}

void BM_WriteTextRecord(benchmark::State& state) {
  const std::string path = PathFor(state, "text");
  TimeWrites(state, [&] {
    return std::unique_ptr<OurFile<WriteTextRecord>>(new OurFile<WriteTextRecord>{
        RecordFile(platform::OutputFile(path.c_str(), platform::OutputKind::kFile))});
  });
}

void BM_PrintfText(benchmark::State& state) {
  const std::string path = PathFor(state, "printf");
  TimeWrites(state, [&] { return std::make_unique<PrintfFile>(std::fopen(path.c_str(), "w")); });
}

BENCHMARK(BM_PcapDump)->Arg(kShort)->Arg(kFull);
BENCHMARK(BM_WritePcapRecord)->Arg(kShort)->Arg(kFull);
BENCHMARK(BM_WriteTextRecord)->Arg(kShort)->Arg(kFull);
BENCHMARK(BM_PrintfText)->Arg(kShort)->Arg(kFull);

// What `write` puts in a stream for one frame; it closes the stream.
template <typename Write>
std::string BytesOf(Write write) {
  char* data = nullptr;
  std::size_t size = 0;
  write(open_memstream(&data, &size));
  std::string bytes(data, size);
  std::free(data);
  return bytes;
}

// What `write` puts in a RecordFile.
template <typename Write>
std::string RecordBytesOf(Write write) {
  const std::string path = (Folder().path() / "agree").string();
  {
    RecordFile file{platform::OutputFile(path.c_str(), platform::OutputKind::kFile)};
    write(file);
  }
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Before any timing: the rows compare like with like. The text writer gives
// the printf bytes; the pcap writer gives pcap_dump's record but for the
// timestamp (ours has millisecond resolution), after the same global header
// but for thiszone.
bool WritersAgree() {
  bool agree = true;
  for (const int length : {kShort, kFull}) {
    const ArcnetFrame frame = FrameOf(length);
    const std::string printfText = BytesOf([&](std::FILE* f) {
      PrintfTextRecord(f, frame);
      std::fclose(f);
    });
    if (RecordBytesOf([&](RecordFile& f) { WriteTextRecord(f, frame); }) != printfText) {
      std::fprintf(stderr, "WriteTextRecord and printf differ at %d bytes\n", length);
      agree = false;
    }
    const std::string ours = RecordBytesOf([&](RecordFile& f) {
      WritePcapHeader(f);
      WritePcapRecord(f, frame);
    });
    const std::string theirs = BytesOf([&](std::FILE* f) { PcapDumpWriter(f).Write(frame); });
    const auto withoutTimesOrZone = [](std::string bytes) {
      if (bytes.size() < kPcapHeaderSize + 8) return std::string();
      bytes.replace(8, 4, 4, '\0');                // thiszone
      bytes.replace(kPcapHeaderSize, 8, 8, '\0');  // ts_sec, ts_usec
      return bytes;
    };
    if (withoutTimesOrZone(ours).empty() ||
        withoutTimesOrZone(ours) != withoutTimesOrZone(theirs)) {
      std::fprintf(stderr, "WritePcapRecord and pcap_dump differ at %d bytes\n", length);
      agree = false;
    }
  }
  return agree;
}

// The console table, and each run's CPU time per frame kept for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const int length = std::stoi(run.run_name.args);
      times_[{run.run_name.function_name, length}].push_back(run.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The median of the repetitions, in ns per frame; 0 when it did not run.
  double Nanoseconds(const std::string& function, int length) const {
    const auto it = times_.find({function, length});
    if (it == times_.end()) return 0;
    std::vector<double> t = it->second;
    std::nth_element(t.begin(), t.begin() + t.size() / 2, t.end());
    return t[t.size() / 2];
  }

 private:
  std::map<std::pair<std::string, int>, std::vector<double>> times_;
};

void PrintSummary(const SummaryReporter& reporter) {
  const struct {
    const char* function;
    const char* label;
  } rows[] = {
      {"BM_PcapDump", "pcap_dump (libpcap)"},
      {"BM_WritePcapRecord", "WritePcapRecord"},
      {"BM_WriteTextRecord", "WriteTextRecord"},
      {"BM_PrintfText", "printf per byte (reference)"},
  };
  std::printf("\nCPU time per frame, and its ratio to pcap_dump of the same frame:\n");
  std::printf("%-30s %22s %22s\n", "", "41 data bytes", "508 data bytes");
  for (const auto& row : rows) {
    std::printf("%-30s", row.label);
    for (const int length : {kShort, kFull}) {
      const double base = reporter.Nanoseconds("BM_PcapDump", length);
      const double ns = reporter.Nanoseconds(row.function, length);
      if (ns == 0 || base == 0)
        std::printf(" %22s", "-");
      else
        std::printf(" %10.1f ns %7.2fx", ns, ns / base);
    }
    std::printf("\n");
  }

  const double dump = reporter.Nanoseconds("BM_PcapDump", kShort);
  const double pcap = reporter.Nanoseconds("BM_WritePcapRecord", kShort);
  const double text = reporter.Nanoseconds("BM_WriteTextRecord", kShort);
  const double printfText = reporter.Nanoseconds("BM_PrintfText", kShort);
  if (dump == 0 || pcap == 0 || text == 0) return;
  std::printf("\nAt 41 data bytes:\n");
  std::printf("  WritePcapRecord / pcap_dump       %5.2f  (goal <= 1.00: %s)\n", pcap / dump,
              pcap <= dump ? "met" : "MISSED");
  std::printf("  WriteTextRecord / WritePcapRecord %5.2f  (goal <= 4.00: %s)\n", text / pcap,
              text <= 4 * pcap ? "met" : "MISSED");
  if (printfText != 0)
    std::printf("  printf per byte / WritePcapRecord %5.2f  (reference)\n", printfText / pcap);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!WritersAgree()) return 1;
  std::printf("Files in %s\n", Folder().path().c_str());
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
