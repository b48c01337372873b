// Threads as the system uses them: started with one pointer parameter, at
// normal priority with the default stack size, running at once, with no
// handle kept.
#pragma once

#include <chrono>

namespace platform {

using ThreadFunction = int (*)(void* param);

// False when the thread could not be started.
bool StartThread(ThreadFunction function, void* param);

void Sleep(std::chrono::milliseconds duration);

}  // namespace platform
