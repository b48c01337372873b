// The receive window: starts, stops and resets a capture and shows how many
// frames it has received. It closes only after its capture thread has ended,
// so there is one capture thread at a time and it never outlives the window.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "capture/capture_core.h"
#include "platform/thread.h"
#include "receive/latest_count.h"
#include "receive/receive_thread.h"
#include "ui/dialog.h"

class CRxDlg : public CDialog, private CaptureFrontEnd {
 public:
  using ThreadStarter = bool (*)(platform::ThreadFunction, void*);

  explicit CRxDlg(ThreadStarter startThread = platform::StartThread);
  ~CRxDlg() override;

  // A capture in this window found the adapter gone: it must be taken off
  // line before it can capture again.
  bool adapterLost() const { return !adapterLost_.empty(); }

 protected:
  void DoDataExchange() override;
  bool OnInitDialog() override;
  // Escape and the close box: the capture ends as with Exit.
  void OnCancel() override;
  // Log-off or shut-down: the capture ends as on Exit, without a word.
  void OnEndSession() override;
  std::span<const MessageMapEntry> GetMessageMap() const override;

 private:
  void OnStart();
  void OnStop();
  void OnReset();
  void OnExit();

  // Asks the capture thread to end and serves UI work until it has.
  void StopCapture();
  // Once the capture has ended: tells the operator why, if it ended by
  // itself.
  void ShowCaptureEnd();
  // Posted by the capture thread when the capture ended by itself: the
  // window goes back to the stopped state, as after Stop, and says why.
  void OnCaptureEnded();
  // The box that says the adapter went away, what the files hold and what
  // to do.
  void ShowAdapterLost();

  void PublishCount(std::int32_t count) override;
  void ShowOpenFailure(const std::string& why) override;
  void ReportCaptureEnded(const CaptureEnd& end) override;

  CButton m_start;
  CButton m_stop;
  CButton m_reset;
  CEdit m_count;

  ThreadStarter startThread_;
  bool threadStarted_ = false;  // a capture thread was started and may not have ended
  bool starting_ = false;       // OnStart waits for the thread to come up
  // The latest count from the capture thread for the count box.
  LatestCount latestCount_;
  // Why the capture ended by itself, from the capture thread, until shown.
  std::mutex endMutex_;
  std::optional<CaptureEnd> end_;
  // What the operator was told when the adapter went away; a Start then
  // tells it again and leaves the files as they are.
  std::string adapterLost_;
};
