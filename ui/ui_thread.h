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

// Runs `work` where it enters from a backend's event loop (a window
// procedure, a Qt slot, work posted from another thread). Nothing may unwind
// into the loop: an exception that reaches this is a fault of the program,
// said on standard error ("tarnwick: unhandled exception in <where>: ...")
// before the program stops.
void RunGuarded(const char* where, const std::function<void()>& work);

// Queues work for the UI thread and returns at once; it runs guarded.
void PostToUiThread(std::function<void()> work);

// Runs work on the UI thread and returns when it is done; on the UI thread
// itself it runs at once.
void SendToUiThread(const std::function<void()>& work);

// On the UI thread: serves posted and sent work while busy() is true,
// testing it at least every `poll`. The operator's input waits until the
// wait is over, except in a message box or dialog opened meanwhile.
void PumpWhile(const std::function<bool()>& busy, std::chrono::milliseconds poll);

}  // namespace ui
