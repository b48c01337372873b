#include "capture/pcap_writer.h"

#include <ctime>
#include <gtest/gtest.h>
#include <string>

#include "tests/capture/frame_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tshark.h"

namespace {

using namespace testing_support;

class PcapWriterTest : public ::testing::Test {
 protected:
  // Writes a header and the given frames to a file and reads it back.
  std::string Write(const std::vector<ArcnetFrame>& frames) {
    return WrittenBy(file(), [&](RecordFile& out) {
      WritePcapHeader(out);
      for (const auto& frame : frames) WritePcapRecord(out, frame);
    });
  }
  std::filesystem::path file() const { return dir_.path() / "test.pcap"; }

  TempDir dir_;
};

TEST_F(PcapWriterTest, GlobalHeaderIsLittleEndianArcnetLinuxWithThiszoneMinusSix) {
  const std::string expected(
      "\xD4\xC3\xB2\xA1"   // magic
      "\x02\x00\x04\x00"   // version 2.4
      "\xFA\xFF\xFF\xFF"   // thiszone -6
      "\x00\x00\x00\x00"   // sigfigs
      "\xFF\xFF\x00\x00"   // snaplen 65535
      "\x81\x00\x00\x00",  // link type 129
      24);
  EXPECT_EQ(Write({}), expected);
}

TEST_F(PcapWriterTest, RecordCarriesArcnetHeaderAndEveryDataByte) {
  for (std::uint16_t length : {0, 1, 41, 508}) {
    const ArcnetFrame frame = MakeFrame(0x03, 0x15, length);
    const std::string file = Write({frame});
    ASSERT_EQ(file.size(), 24u + 20u + length) << "L=" << length;
    const auto records = PcapRecords(file);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].includedLength, length + 4u);
    EXPECT_EQ(records[0].originalLength, length + 4u);
    std::string expected = {'\x03', '\x15', static_cast<char>(length & 0xFF),
                            static_cast<char>(length >> 8)};
    expected.append(reinterpret_cast<const char*>(frame.data), length);
    EXPECT_EQ(records[0].bytes, expected) << "L=" << length;
  }
}

TEST_F(PcapWriterTest, ClaimedLengthBeyondTheRecordCapturesOnlyWhatItHolds) {
  const ArcnetFrame frame = MakeFrame(1, 2, 600);
  const std::string file = Write({frame});
  ASSERT_EQ(file.size(), 24u + 16u + 512u);
  const auto records = PcapRecords(file);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].includedLength, 512u);
  EXPECT_EQ(records[0].originalLength, 604u);
  EXPECT_EQ(records[0].bytes.substr(0, 4), std::string("\x01\x02\x58\x02", 4));
  EXPECT_EQ(records[0].bytes.substr(4),
            std::string(reinterpret_cast<const char*>(frame.data), kArcnetMaxData));
}

TEST_F(PcapWriterTest, RecordHeaderCarriesTheInstantItIsGiven) {
  const struct {
    platform::WallTime now;
    const char* header;  // ts_sec, ts_usec, incl_len, orig_len
  } cases[] = {
      // 2024-01-01 00:00:00 UTC, 0 ms.
      {{1704067200, 0}, "\x80\x00\x92\x65\x00\x00\x00\x00\x2D\x00\x00\x00\x2D\x00\x00\x00"},
      // 2^32 + 0x01020305 s (in 2106): only the low 32 bits fit ts_sec; 999 ms.
      {{(std::int64_t{1} << 32) + 0x01020305, 999},
       "\x05\x03\x02\x01\x58\x3E\x0F\x00\x2D\x00\x00\x00\x2D\x00\x00\x00"},
  };
  for (const auto& c : cases) {
    const std::string bytes = WrittenBy(
        file(), [&](RecordFile& out) { WritePcapRecord(out, MakeFrame(0x03, 0x15, 41), c.now); });
    ASSERT_EQ(bytes.size(), 16u + 4u + 41u);
    EXPECT_EQ(bytes.substr(0, 16), std::string(c.header, 16)) << c.now.seconds;
  }
}

TEST_F(PcapWriterTest, TimestampsAreTheHostsTimeInWholeMillisecondsAndNeverGoBackwards) {
  const std::vector<ArcnetFrame> frames(20000, MakeFrame(1, 2, 1));
  const auto before = static_cast<std::uint32_t>(std::time(nullptr));
  const auto records = PcapRecords(Write(frames));
  const auto after = static_cast<std::uint32_t>(std::time(nullptr));
  ASSERT_EQ(records.size(), frames.size());
  EXPECT_GE(records.front().seconds, before);
  EXPECT_LE(records.back().seconds, after);
  std::uint64_t previous = 0;
  for (const auto& r : records) {
    EXPECT_EQ(r.microseconds % 1000, 0u);
    EXPECT_LT(r.microseconds, 1000000u);
    const std::uint64_t t = std::uint64_t{r.seconds} * 1000000 + r.microseconds;
    EXPECT_GE(t, previous);
    previous = t;
  }
}

TEST_F(PcapWriterTest, TsharkReadsAFrameOfEveryLength) {
  SKIP_WITHOUT_TSHARK();
  std::vector<ArcnetFrame> frames;
  for (std::uint16_t length = 0; length <= kArcnetMaxData; ++length) {
    frames.push_back(MakeFrame(0x10, 0x20, length));
    frames.back().data[0] = 0x80;  // system code of ARCNET diagnostics: no further dissector
  }
  Write(frames);
  const auto lines = TsharkFields(file(), {"frame.cap_len", "arcnet.src", "arcnet.dst"});
  ASSERT_TRUE(lines.has_value());
  ASSERT_EQ(lines->size(), frames.size());
  for (std::size_t i = 0; i < frames.size(); ++i)
    EXPECT_EQ((*lines)[i], std::to_string(i + 4) + "\t0x10\t0x20") << "L=" << i;
  // A frame without data has no system code, and Wireshark says so; every
  // other length reads cleanly.
  EXPECT_EQ(TsharkMalformedFrames(file()), std::vector<int>{1});
}

}  // namespace
