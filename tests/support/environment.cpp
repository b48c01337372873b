#include "tests/support/environment.h"

#include "platform/environment.h"
#include "platform/text_encoding.h"

namespace testing_support {

void SetUserConfigFolder(const std::filesystem::path& folder) {
  platform::SetEnv(platform::UserConfigVariable(), platform::PathText(folder).c_str());
}

void ResetUserConfigFolder() {
  platform::UnsetEnv(platform::UserConfigVariable());
}

}  // namespace testing_support
