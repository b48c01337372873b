// Writer of the readable hex dump: one block of text per ARCNET frame.
#pragma once

#include <cstdio>

#include "adapter/com20020.h"

// Appends one block: the source, destination and length lines, then the data
// 16 bytes a line, each line labelled with the index of its first byte.
void WriteTextRecord(std::FILE* stream, const ArcnetFrame& frame);
