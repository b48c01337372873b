// The device protocol's framing as the reader cuts a stream: what it hands
// out and what it refuses, with the bytes arriving one at a time.
#include "pondel/protocol.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

namespace wire = pondel::wire;
using Bytes = std::vector<std::uint8_t>;
using Result = wire::MessageReader::Result;

struct Read {
  std::vector<std::pair<std::uint8_t, std::size_t>> messages;  // type, body size
  bool malformed = false;
};

// Feeds the stream a byte at a time and takes every message the reader
// hands out, until it refuses the stream.
Read ReadByteByByte(const Bytes& stream) {
  Read read;
  wire::MessageReader reader;
  for (const std::uint8_t byte : stream) {
    reader.Space()[0] = byte;
    reader.Commit(1);
    wire::Message message;
    for (Result next = reader.Next(message); next != Result::kNeedMore;
         next = reader.Next(message)) {
      if (next == Result::kMalformed) {
        read.malformed = true;
        return read;
      }
      read.messages.emplace_back(message.type, message.body.size());
    }
  }
  return read;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(MessageReader, TakesLengthsOneTo1024AndRefusesZeroOrLongerBeforeWhatFollows) {
  const Bytes ping = {0, 1, 0x50};  // the shortest message: a type alone
  Bytes longest = {0x04, 0x00, 0x40};
  longest.resize(wire::kLengthFieldSize + wire::kMaxMessageLength, 0xAB);
  const Read whole = ReadByteByByte(ping + longest + ping);
  EXPECT_FALSE(whole.malformed);
  EXPECT_EQ(whole.messages, (std::vector<std::pair<std::uint8_t, std::size_t>>{
                                {0x50, 0}, {0x40, 1023}, {0x50, 0}}));

  // What follows a bad length is never read as a message: the stream is lost.
  for (const Bytes& bad : {Bytes{0, 0}, Bytes{0x04, 0x01}}) {
    const Read refused = ReadByteByByte(ping + bad + ping);
    EXPECT_TRUE(refused.malformed) << int{bad[1]};
    EXPECT_EQ(refused.messages.size(), 1u) << int{bad[1]};
  }
}

}  // namespace
