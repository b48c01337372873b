#include "capture/text_writer.h"

#include <gtest/gtest.h>
#include <string>

#include "capture/sample_capture.h"
#include "tests/capture/frame_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;

std::string TextOf(const ArcnetFrame& frame) {
  TempDir dir;
  const auto file = dir.path() / "dump.tmp";
  WrittenBy(file, [&](RecordFile& out) { WriteTextRecord(out, frame); });
  return ReadTextFile(file);
}

TEST(TextWriterTest, SampleFrameBlockIsExact) {
  EXPECT_EQ(TextOf(SampleFrame()),
            "Received Packet:\n"
            "\n"
            "Source ID: 03\n"
            "Destination ID: 15\n"
            "Packet Length: 029\n"
            "[000]:CD 82 82 03 01 00 30 17 0E 0C 00 80 00 03 1E 29 \n"
            "[010]:55 4E 44 00 00 00 00 4F 1F 0C 00 80 00 02 1E 29 \n"
            "[020]:55 4E 44 00 00 00 00 4F 1F \n"
            "\n");
}

TEST(TextWriterTest, LineLabelsCountBytesInHex) {
  EXPECT_EQ(TextOf(MakeFrame(0xAB, 0x00, 0)),
            "Received Packet:\n\nSource ID: ab\nDestination ID: 00\nPacket Length: 000\n\n");

  const std::string sixteen = TextOf(MakeFrame(1, 2, 16));
  EXPECT_NE(sixteen.find("[000]:"), std::string::npos);
  EXPECT_EQ(sixteen.find("[010]:"), std::string::npos);

  const std::string seventeen = TextOf(MakeFrame(1, 2, 17, 0x30));
  EXPECT_NE(seventeen.find("\n[010]:A0 \n\n"), std::string::npos);  // data[16] = 16 * 7 + 0x30

  const std::string full = TextOf(MakeFrame(1, 2, 508));
  EXPECT_NE(full.find("Packet Length: 1fc\n[000]:"), std::string::npos);
  EXPECT_NE(full.find(" \n[0F0]:"), std::string::npos);
  EXPECT_NE(full.find(" \n[100]:"), std::string::npos);
  const auto last = full.find("[1F0]:");
  ASSERT_NE(last, std::string::npos);
  EXPECT_EQ(full.size() - last, 6 + 12 * 3 + 2u);  // label, 12 bytes, two line ends
}

TEST(TextWriterTest, EveryLengthMatchesPrintfByteForByte) {
  for (std::uint16_t length = 0; length <= kArcnetMaxData; ++length) {
    const ArcnetFrame frame =
        MakeFrame(static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(255 - length),
                  length, static_cast<std::uint8_t>(length));
    ASSERT_EQ(TextOf(frame), TextBlockByPrintf(frame)) << "L=" << length;
  }
}

TEST(TextWriterTest, ClaimedLengthBeyondTheRecordShowsTheClaimAndTheBytesThereAre) {
  const ArcnetFrame frame = MakeFrame(1, 2, 600);
  const std::string text = TextOf(frame);
  EXPECT_NE(text.find("Packet Length: 258\n"), std::string::npos);
  EXPECT_EQ(text, TextBlockByPrintf(frame));  // the reference stops at 508 bytes too
  EXPECT_EQ(text.find("[200]:"), std::string::npos);
}

}  // namespace
