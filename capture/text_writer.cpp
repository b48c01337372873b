#include "capture/text_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

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

char* PutText(char* out, const char* text) {
  const std::size_t n = std::strlen(text);
  std::memcpy(out, text, n);
  return out + n;
}

}  // namespace

void WriteTextRecord(std::FILE* stream, const ArcnetFrame& frame) {
  // The longest block: the fixed lines (under 80 characters), 32 labels of 7
  // and 508 bytes of 3, and the closing line ends.
  char block[2048];
  char* out = block;
  out = PutText(out, "Received Packet:\n\nSource ID: ");
  out = PutHex(out, frame.source, 2, kLowerHex);
  out = PutText(out, "\nDestination ID: ");
  out = PutHex(out, frame.destination, 2, kLowerHex);
  out = PutText(out, "\nPacket Length: ");
  out = PutHex(out, frame.length, 3, kLowerHex);  // the length as claimed

  // Never read past the record: at most the 508 bytes it holds.
  const std::size_t shown = std::min<std::size_t>(frame.length, kArcnetMaxData);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i % 16 == 0) {
      out = PutText(out, "\n[");
      out = PutHex(out, static_cast<unsigned>(i), 3, kUpperHex);
      out = PutText(out, "]:");
    }
    out[0] = kUpperHex[frame.data[i] >> 4];
    out[1] = kUpperHex[frame.data[i] & 0xF];
    out[2] = ' ';
    out += 3;
  }
  out = PutText(out, "\n\n");
  // A text stream: on Windows the C runtime turns each '\n' into the
  // platform's line end.
  std::fwrite(block, static_cast<std::size_t>(out - block), 1, stream);
}
