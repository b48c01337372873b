#include "capture/sample_capture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "tests/capture/frame_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tshark.h"

namespace {

using namespace testing_support;

class SampleCaptureTest : public ::testing::Test {
 protected:
  TempDir dir_;
  ScopedCurrentDir cwd_{dir_.path()};
};

TEST_F(SampleCaptureTest, ThreeRecordsOfTheSampleFrameThatDifferOnlyInTime) {
  WriteSampleCapture();
  const std::string file = ReadFile("arcnet.tmp");
  ASSERT_EQ(file.size(), 207u);
  EXPECT_EQ(file.substr(0, 4), "\xD4\xC3\xB2\xA1");
  const auto records = PcapRecords(file);
  ASSERT_EQ(records.size(), 3u);
  for (const auto& r : records) {
    EXPECT_EQ(r.includedLength, 45u);
    EXPECT_EQ(r.originalLength, 45u);
    EXPECT_EQ(r.bytes, records[0].bytes);
  }
  EXPECT_EQ(records[0].bytes.substr(0, 8), std::string("\x03\x15\x29\x00\xCD\x82\x82\x03", 8));
}

TEST_F(SampleCaptureTest, RewritesAnOldFileWhole) {
  {
    std::FILE* f = std::fopen("arcnet.tmp", "wb");
    std::fputs(std::string(1000, 'x').c_str(), f);
    std::fclose(f);
  }
  WriteSampleCapture();
  EXPECT_EQ(std::filesystem::file_size("arcnet.tmp"), 207u);
}

TEST_F(SampleCaptureTest, WritesNothingWhenTheFileCannotBeCreated) {
  // A folder in the file's place: no open succeeds, not even as root.
  std::filesystem::create_directory("arcnet.tmp");
  WriteSampleCapture();
  EXPECT_TRUE(std::filesystem::is_directory("arcnet.tmp"));
  EXPECT_TRUE(std::filesystem::is_empty("arcnet.tmp"));
}

TEST_F(SampleCaptureTest, TsharkDecodesTheSampleAsBacnetReadPropertyMultipleAck) {
  SKIP_WITHOUT_TSHARK();
  WriteSampleCapture();
  const auto lines = TsharkFields("arcnet.tmp", {"frame.protocols", "bacapp.type",
                                                 "bacapp.confirmed_service", "bacapp.invoke_id"});
  ASSERT_TRUE(lines.has_value());
  ASSERT_EQ(lines->size(), 3u);
  for (const auto& line : *lines) EXPECT_EQ(line, "arcnet:llc:bacnet:bacapp\t3\t14\t23");
  EXPECT_EQ(TsharkMalformedFrames("arcnet.tmp"), std::vector<int>{});
}

}  // namespace
