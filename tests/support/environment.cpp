#include "tests/support/environment.h"

#include "platform/environment.h"

namespace testing_support {

void SetUserConfigFolder(const std::filesystem::path& folder) {
  platform::SetEnv(platform::UserConfigVariable(), folder.string().c_str());
}

void ResetUserConfigFolder() {
  platform::UnsetEnv(platform::UserConfigVariable());
}

}  // namespace testing_support
