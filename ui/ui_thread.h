// Handing work to the UI thread from other threads, and waits of the UI
// thread that keep serving that work (a UI thread that blocks while another
// thread waits for it is a deadlock).
#pragma once

#include <chrono>
#include <functional>

namespace ui {

// Makes the calling thread the UI thread (argc and argv may be the
// program's, for toolkit options), runs `body` and ends the UI thread: work
// and input still queued then are dropped.
void RunAsUiThread(int& argc, char** argv, const std::function<void()>& body);

bool IsUiThread();

// Queues work for the UI thread and returns at once.
void PostToUiThread(std::function<void()> work);

// Runs work on the UI thread and returns when it is done; on the UI thread
// itself it runs at once.
void SendToUiThread(const std::function<void()>& work);

// On the UI thread: serves posted and sent work while busy() is true,
// testing it at least every `poll`. The operator's input waits until the
// wait is over, except in a message box or dialog opened meanwhile.
void PumpWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll);

}  // namespace ui
