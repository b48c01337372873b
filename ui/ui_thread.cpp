#include "ui/ui_thread.h"

#include <cassert>
#include <future>

#include "ui/backend.h"
#include "ui/input.h"

namespace ui {

void RunAsUiThread(int& argc, char** argv, const std::function<void()>& body) {
  backend::BeginUiThread(argc, argv);
  body();
  DropQueuedInput();
  backend::EndUiThread();
}

bool IsUiThread() {
  return backend::IsUiThread();
}

void PostToUiThread(std::function<void()> work) {
  backend::PostToUiThread(std::move(work));
}

void SendToUiThread(const std::function<void()>& work) {
  if (IsUiThread()) return work();
  std::promise<void> done;
  PostToUiThread([&] {
    work();
    done.set_value();
  });
  done.get_future().wait();
}

void PumpWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll) {
  assert(IsUiThread());
  if (!busy()) return;
  InputLevel holdInput(false);
  backend::ServeWhile(busy, poll);
}

}  // namespace ui
