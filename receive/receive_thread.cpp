#include "receive/receive_thread.h"

#include "capture/capture_core.h"
#include "capture/capture_files.h"

int ReceiveThread(void* param) {
  CaptureFiles files;
  return RunCapture(files, *static_cast<CaptureFrontEnd*>(param));
}
