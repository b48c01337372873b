#include "platform/signals.h"

#include <csignal>
#include <iterator>
#include <unistd.h>

namespace platform {

void ReportFailedWritesAsErrors() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM};
struct sigaction previous[std::size(kStopSignals)];

}  // namespace

void StopRequests::Install() {
  parent_ = getppid();
  struct sigaction action {};
  action.sa_handler = [](int) { RequestStop(); };
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    sigaction(kStopSignals[i], &action, &previous[i]);
}

void StopRequests::Uninstall() {
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    sigaction(kStopSignals[i], &previous[i], nullptr);
}

bool StopRequests::ParentGone() const {
  return getppid() != parent_;
}

}  // namespace platform
