// The caller's receive event as its operating system has it: an auto-reset
// event on Windows, an eventfd elsewhere. posix/ and win32/ each do it.
#pragma once

#include <optional>

#include "adapter/com20020.h"

namespace pondel::receive_event {

// Makes the event signalled; one signalled already stays so.
void Signal(Com20020Event event);

// Only the caller's event will do: a signal written into anything else (a
// file, a pipe, a closed descriptor) would be lost or land in a stranger's
// data, and the caller would wait for nothing.
bool Usable(Com20020Event event);

// The library's own duplicate of the caller's event, so that an event the
// caller closes too early takes no wake-up into whatever file is given its
// number next. Nothing when it cannot be made.
std::optional<Com20020Event> Duplicate(Com20020Event event);

void Release(Com20020Event event);

}  // namespace pondel::receive_event
