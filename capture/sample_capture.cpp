#include "capture/sample_capture.h"

#include <cstring>

#include "capture/pcap_writer.h"
#include "capture/record_file.h"
#include "platform/file.h"

ArcnetFrame SampleFrame() {
  static constexpr std::uint8_t kData[] = {
      0xCD,                                      // ARCNET system code: BACnet
      0x82, 0x82, 0x03,                          // LLC: DSAP, SSAP, UI
      0x01, 0x00,                                // BACnet NPDU: version 1, no routing
      0x30, 0x17, 0x0E,                          // Complex-ACK, invoke ID 23, RPM
      0x0C, 0x00, 0x80, 0x00, 0x03,              // analog-value 3
      0x1E, 0x29, 0x55, 0x4E, 0x44, 0x00, 0x00,  // present-value = REAL 0.0
      0x00, 0x00, 0x4F, 0x1F,                    //
      0x0C, 0x00, 0x80, 0x00, 0x02,              // analog-value 2
      0x1E, 0x29, 0x55, 0x4E, 0x44, 0x00, 0x00,  // present-value = REAL 0.0
      0x00, 0x00, 0x4F, 0x1F,                    //
  };
  ArcnetFrame frame{};
  frame.source = 0x03;
  frame.destination = 0x15;
  frame.length = sizeof kData;
  std::memcpy(frame.data, kData, sizeof kData);
  return frame;
}

void WriteSampleCapture() {
  platform::OutputFile created(kSampleCaptureFileName, platform::OutputKind::kFile);
  if (!created.is_open()) return;
  RecordFile file(std::move(created));
  const ArcnetFrame frame = SampleFrame();
  WritePcapHeader(file);
  for (int i = 0; i < 3; ++i) WritePcapRecord(file, frame);
  file.Close();
}
