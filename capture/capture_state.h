// The capture's state shared by the receive window (UI thread) and the
// capture thread. Each flag has one writer at a time; single-byte atomics
// make every write visible to the other thread while it polls.
#pragma once

#include <atomic>
#include <cstdint>

// The capture thread is in its receive loop; clearing it asks it to end.
extern std::atomic<std::uint8_t> CaptureRunning;
// The capture thread has ended, normally or after a failure.
extern std::atomic<std::uint8_t> CaptureFinished;
// Frames received in the current capture.
extern std::atomic<std::int32_t> ReceivedCount;

static_assert(std::atomic<std::uint8_t>::is_always_lock_free);
static_assert(std::atomic<std::int32_t>::is_always_lock_free);

// Counts one more frame and returns the new count. The count stops at its
// largest value instead of overflowing (at 51,000 frames/s after 11 hours).
std::int32_t CountReceivedFrame();
