#include "platform/last_error.h"

#include <cerrno>
#include <system_error>

namespace platform {

std::string LastErrorText() {
  return std::generic_category().message(errno);
}

}  // namespace platform
