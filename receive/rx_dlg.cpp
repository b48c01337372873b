#include "receive/rx_dlg.h"

#include <chrono>
#include <string>

#include "capture/capture_state.h"
#include "res/resource.h"
#include "ui/ui_thread.h"

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);
// The main window takes the adapter off line when this window closes.
constexpr char kAfterAdapterLost[] =
    "\n\nClose this window to take the adapter off line, then Connect again once the device "
    "is back.";

}  // namespace

CRxDlg::CRxDlg(ThreadStarter startThread) : CDialog(IDD_RECEIVE), startThread_(startThread) {}

CRxDlg::~CRxDlg() {
  // Every way of closing the window ends the capture first; this only
  // matters if the window was ended from outside.
  StopCapture();
}

void CRxDlg::DoDataExchange() {
  BindControl(IDC_START, m_start);
  BindControl(IDC_STOP, m_stop);
  BindControl(IDC_RESET, m_reset);
  BindControl(IDC_RX_COUNT, m_count);
}

std::span<const CDialog::MessageMapEntry> CRxDlg::GetMessageMap() const {
  static constexpr MessageMapEntry kMap[] = {
      OnClicked<&CRxDlg::OnStart>(IDC_START),
      OnClicked<&CRxDlg::OnStop>(IDC_STOP),
      OnClicked<&CRxDlg::OnExit>(IDOK),
      OnClicked<&CRxDlg::OnReset>(IDC_RESET),
  };
  return kMap;
}

bool CRxDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  ReceivedCount = 0;
  m_count.SetWindowText("0");
  return true;
}

void CRxDlg::OnStart() {
  // A capture now would empty the files and record nothing.
  if (adapterLost()) return ShowAdapterLost();
  CaptureFinished = 0;
  CaptureRunning = 0;
  if (!startThread_(ReceiveThread, static_cast<CaptureFrontEnd*>(this))) {
    // No thread will ever set either flag: stay as before the click.
    return;
  }
  threadStarted_ = true;
  // Served while waiting: the thread's "Unable to open log file" box.
  starting_ = true;
  ui::PumpWhile([] { return CaptureRunning == 0 && CaptureFinished == 0; }, kPollInterval);
  starting_ = false;
  m_start.EnableWindow(false);
  m_stop.EnableWindow(true);
  m_reset.EnableWindow(false);
  // A file that took nothing, or an adapter already gone, ended the capture
  // during the wait.
  OnCaptureEnded();
}

void CRxDlg::OnStop() {
  StopCapture();
  m_start.EnableWindow(true);
  m_stop.EnableWindow(false);
  m_reset.EnableWindow(true);
  ShowCaptureEnd();
}

void CRxDlg::OnReset() {
  ReceivedCount = 0;
  m_count.SetWindowText("0");
}

void CRxDlg::OnExit() {
  StopCapture();
  ShowCaptureEnd();
  CDialog::OnOK();
}

void CRxDlg::OnCancel() {
  StopCapture();
  ShowCaptureEnd();
  CDialog::OnCancel();
}

void CRxDlg::OnEndSession() {
  StopCapture();
}

void CRxDlg::StopCapture() {
  if (CaptureRunning == 1) CaptureRunning = 0;
  // At most one wait slice or one drain; both files are complete afterwards.
  if (threadStarted_) ui::PumpWhile([] { return CaptureFinished == 0; }, kPollInterval);
  threadStarted_ = false;
}

void CRxDlg::PublishCount(std::int32_t count) {
  if (!latestCount_.Publish(count)) return;
  // Dropped once the window has closed: the window outlives the thread, but
  // a count posted at its end may reach the UI thread after it.
  PostToWindow([this] { SetDlgItemText(IDC_RX_COUNT, std::to_string(latestCount_.Take())); });
}

void CRxDlg::ShowOpenFailure(const std::string& why) {
  // The box's own words first, then which file and why.
  ui::SendToUiThread([this, &why] {
    MessageBox("Unable to open log file\n" + why, "File Open Error", kMbOk | kMbIconExclamation);
  });
}

void CRxDlg::ReportCaptureEnded(const CaptureEnd& end) {
  {
    std::lock_guard lock(endMutex_);
    end_ = end;
  }
  // Without waiting: whichever comes first on the UI thread, this or a Stop
  // or Exit, shows the message.
  PostToWindow([this] {
    if (!starting_) OnCaptureEnded();
  });
}

void CRxDlg::OnCaptureEnded() {
  bool ended;
  {
    std::lock_guard lock(endMutex_);
    ended = end_.has_value();
  }
  if (ended && threadStarted_) OnStop();
}

void CRxDlg::ShowCaptureEnd() {
  std::optional<CaptureEnd> end;
  {
    std::lock_guard lock(endMutex_);
    end.swap(end_);
  }
  if (!end) return;
  if (end->adapterLost) adapterLost_ = end->message + kAfterAdapterLost;
  if (window() == nullptr) return;
  if (end->adapterLost)
    ShowAdapterLost();
  else
    MessageBox(end->message, "File Write Error", kMbOk | kMbIconExclamation);
}

void CRxDlg::ShowAdapterLost() {
  MessageBox(adapterLost_, "Adapter Error", kMbOk | kMbIconExclamation);
}
