#include "ui/ui_thread.h"

#include <future>

namespace ui {

void SendToUiThread(const std::function<void()>& work) {
  if (IsUiThread()) return work();
  std::promise<void> done;
  PostToUiThread([&] {
    work();
    done.set_value();
  });
  done.get_future().wait();
}

}  // namespace ui
