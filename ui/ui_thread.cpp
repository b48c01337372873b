#include "ui/ui_thread.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <exception>
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

void RunGuarded(const char* where, const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarnwick: unhandled exception in %s: %s\n", where, e.what());
    std::abort();
  } catch (...) {
    std::fprintf(stderr, "tarnwick: unhandled exception in %s\n", where);
    std::abort();
  }
}

void PostToUiThread(std::function<void()> work) {
  // Guarded once here, for every backend: each runs posted work straight
  // from its event loop, on Win32 inside a window procedure.
  backend::PostToUiThread([work = std::move(work)] { RunGuarded("posted work", work); });
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
