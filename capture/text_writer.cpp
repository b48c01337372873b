#include "capture/text_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "platform/file.h"

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kLowerHex[] = "0123456789abcdef";

// Appends v in hex, at least min_digits digits, like printf's "%0Nx"/"%0NX".
char* PutHex(char* out, unsigned v, int min_digits, const char* digits) {
  char tmp[8];
  int n = 0;
  do {
    tmp[n++] = digits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  while (n < min_digits) tmp[n++] = '0';
  while (n > 0) *out++ = tmp[--n];
  return out;
}

char* PutText(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

// Where a text-mode stream of the C runtime would turn '\n' into the
// platform's line end, we write that line end ourselves.
char* PutLineEnd(char* out) {
  return PutText(out, platform::kLineEnd);
}

}  // namespace

void WriteTextRecord(RecordFile& file, const ArcnetFrame& frame) {
  // The longest block, under RecordFile::kMaxRecordSize: the fixed lines
  // (under 80 characters), 32 labels of 8 and 508 bytes of 3, and the
  // closing line ends.
  char* const block = reinterpret_cast<char*>(file.Reserve(RecordFile::kMaxRecordSize));
  if (block == nullptr) return;
  char* out = PutText(block, "Received Packet:");
  out = PutLineEnd(PutLineEnd(out));
  out = PutText(out, "Source ID: ");
  out = PutLineEnd(PutHex(out, frame.source, 2, kLowerHex));
  out = PutText(out, "Destination ID: ");
  out = PutLineEnd(PutHex(out, frame.destination, 2, kLowerHex));
  out = PutText(out, "Packet Length: ");
  out = PutHex(out, frame.length, 3, kLowerHex);  // the length as claimed

  // Never read past the record: at most the 508 bytes it holds.
  const std::size_t shown = std::min<std::size_t>(frame.length, kArcnetMaxData);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i % 16 == 0) {
      out = PutText(PutLineEnd(out), "[");
      out = PutHex(out, static_cast<unsigned>(i), 3, kUpperHex);
      out = PutText(out, "]:");
    }
    out[0] = kUpperHex[frame.data[i] >> 4];
    out[1] = kUpperHex[frame.data[i] & 0xF];
    out[2] = ' ';
    out += 3;
  }
  out = PutLineEnd(PutLineEnd(out));
  file.Commit(static_cast<std::size_t>(out - block));
}
