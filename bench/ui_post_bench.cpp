// What handing a frame count to the receive window costs the thread that
// hands it over, on the Qt backend: a post that does not wait, the same
// post coalesced so that at most one is pending (the capture thread's way),
// and, for comparison, a hand-over that waits for the UI thread.
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>

#include "res/resource.h"
#include "res/templates.h"
#include "ui/automation.h"
#include "ui/dialog.h"
#include "ui/ui_thread.h"

namespace {

CDialog* receiveWindow = nullptr;

// Waits until the UI thread has run everything posted so far.
void Drain() {
  ui::SendToUiThread([] {});
}

void BM_PostToWindow(benchmark::State& state) {
  int count = 0;
  for (auto _ : state) {
    ++count;
    receiveWindow->PostToWindow([count] { receiveWindow->SetDlgItemInt(IDC_RX_COUNT, count); });
  }
  Drain();  // after the timed loop
}
BENCHMARK(BM_PostToWindow)->UseRealTime();

void BM_PostToWindowCoalesced(benchmark::State& state) {
  static std::atomic<int> latest{0};
  static std::atomic<bool> pending{false};
  std::int64_t posts = 0;
  for (auto _ : state) {
    latest.store(latest.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    if (!pending.exchange(true, std::memory_order_acq_rel)) {
      ++posts;
      receiveWindow->PostToWindow([] {
        pending.store(false, std::memory_order_release);
        receiveWindow->SetDlgItemInt(IDC_RX_COUNT, latest.load(std::memory_order_acquire));
      });
    }
  }
  Drain();  // after the timed loop
  state.counters["posts"] = benchmark::Counter(static_cast<double>(posts));
  state.counters["frames_per_post"] = static_cast<double>(state.iterations()) /
                                      static_cast<double>(std::max<std::int64_t>(posts, 1));
}
BENCHMARK(BM_PostToWindowCoalesced)->UseRealTime();

void BM_SendToUiThread(benchmark::State& state) {
  int count = 0;
  for (auto _ : state) {
    ++count;
    ui::SendToUiThread([count] { receiveWindow->SetDlgItemInt(IDC_RX_COUNT, count); });
  }
}
BENCHMARK(BM_SendToUiThread)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  // Windows drawn offscreen unless a platform is asked for.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  benchmark::Initialize(&argc, argv);
  struct Receive : CDialog {
    Receive() : CDialog(IDD_RECEIVE) {}
  } receive;
  ui::automation::RunScenario(
      [&] {
        CWinApp app(res::Resources(), "tarnwick-bench");
        app.m_pMainWnd = &receive;
        receive.DoModal();
      },
      [&] {
        if (!ui::automation::WaitForWindow(IDD_RECEIVE)) return;
        receiveWindow = &receive;
        benchmark::RunSpecifiedBenchmarks();
      });
  benchmark::Shutdown();
  return 0;
}
