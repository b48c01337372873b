// A capture file that is a FIFO another program waits to read: Linux's, where
// such a file can be made and its reader watched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "capture/capture_files.h"
#include "tests/app/app_harness.h"

namespace {

using namespace testing_support;
using namespace ui::automation;

class CaptureToFifoTest : public ProgramTest {};

// tarnwick.pcap made a FIFO that another program waits to read: no file of
// ours, so Start refuses it at once, and the reader, let go, sees its end.
TEST_F(CaptureToFifoTest, AFifoWithAWaitingReaderIsRefusedAndItsReaderLetGo) {
  ASSERT_EQ(mkfifo(kCaptureFileName, 0600), 0);
  const int reader = open(kCaptureFileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  RunProgram([&] {
    ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_CONNECT));
    ASSERT_TRUE(WaitUntil([] { return IsEnabled(IDD_TARNWICK_DIALOG, IDC_RECEIVE); }));
    ASSERT_TRUE(Click(IDD_TARNWICK_DIALOG, IDC_RECEIVE));
    ASSERT_TRUE(WaitForWindow(IDD_RECEIVE));
    ASSERT_TRUE(Click(IDD_RECEIVE, IDC_START));
    const auto box = WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "Unable to open log file\ntarnwick.pcap: not a regular file.");
    AnswerMessageBox(kIdOk);
    Click(IDD_RECEIVE, IDOK);
    ASSERT_TRUE(WaitForWindow(IDD_TARNWICK_DIALOG));
    PressEscape(IDD_TARNWICK_DIALOG);
  });
  // A writer came and went, having written nothing.
  pollfd end{reader, POLLIN, 0};
  EXPECT_EQ(poll(&end, 1, 0), 1);
  EXPECT_EQ(end.revents, POLLHUP);
  close(reader);
}

}  // namespace
