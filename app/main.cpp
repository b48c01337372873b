// Tarnwick's entry point.
#include "capture/sample_capture.h"

int main() {
  WriteSampleCapture();
  return 0;
}
