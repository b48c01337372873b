// Whole records or none: a capture file cut short anywhere ends with its last
// whole record, says why, and takes nothing more.
#include "capture/record_file.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "capture/pcap_writer.h"
#include "tests/capture/frame_files.h"
#include "tests/support/fault_injection.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;

// A global header and records of 61, 20, 528 and 61 bytes.
void WriteRecords(RecordFile& file) {
  WritePcapHeader(file);
  for (const std::uint16_t length : {41, 0, 508, 41}) {
    WritePcapRecord(file, MakeFrame(1, 2, length), {1704067200, 5});
  }
}

TEST(RecordFileTest, AWriteCutShortAnywhereLeavesOnlyWholeRecords) {
  SKIP_WITHOUT_FILE_SIZE_LIMIT();
  TempDir dir;
  const auto path = dir.path() / "cut.pcap";
  const std::string whole = WrittenBy(path, WriteRecords);
  const std::vector<std::size_t> ends = {24, 85, 105, 633, 694};
  ASSERT_EQ(whole.size(), ends.back());
  for (const std::size_t limit : {0, 10, 24, 50, 85, 104, 105, 600, 693}) {
    std::size_t kept = 0, records = 0;
    for (const std::size_t end : ends) {
      if (end <= limit) kept = end, ++records;
    }
    FileSizeLimit fileSize(limit);
    RecordFile file{platform::OutputFile(path.string().c_str(), platform::OutputKind::kFile)};
    WriteRecords(file);
    EXPECT_FALSE(file.Flush()) << limit;
    EXPECT_EQ(file.failure(), "File too large");
    EXPECT_EQ(file.recordsWritten(), records) << limit;
    EXPECT_EQ(file.Reserve(1), nullptr);  // nothing more goes in
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(ReadFile(path), whole.substr(0, kept)) << limit;
  }
}

TEST(RecordFileTest, AFullDiskThatTakesNothingSaysWhy) {
  const SmallFilesystem disk(64 * 1024);
  SKIP_WITHOUT_FULL_FILE(disk);
  RecordFile file{
      platform::OutputFile(disk.FullFile().string().c_str(), platform::OutputKind::kFile)};
  WriteRecords(file);
  EXPECT_FALSE(file.Flush());
  EXPECT_EQ(file.failure(), "No space left on device");
  EXPECT_EQ(file.recordsWritten(), 0u);
}

}  // namespace
