// The library's results that say the adapter has gone away: nothing more
// comes from it, however often it is asked, until it is taken off line and
// brought on line again.
#pragma once

#include <cstdint>
#include <string_view>

// The cause in words, for the operator, when a call made during a capture
// returned `result` because the adapter is gone; empty for any other result.
// A constant text: the capture asks after every library call.
std::string_view AdapterLostCause(std::int32_t result);
