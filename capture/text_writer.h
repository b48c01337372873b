// Writer of the readable hex dump: one block of text per ARCNET frame.
#pragma once

#include "adapter/com20020.h"
#include "capture/record_file.h"

// Appends one block as one record: the source, destination and length
// lines, then the data 16 bytes a line, each line labelled with the index of
// its first byte. Lines end as text files end on this platform.
void WriteTextRecord(RecordFile& file, const ArcnetFrame& frame);
