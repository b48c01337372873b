// Start-up when the sockets layer cannot be started: linked with a
// platform::StartSockets that fails, in place of the platform's own.
#include <filesystem>
#include <gtest/gtest.h>

#include "app/quillan_app.h"
#include "platform/program.h"
#include "platform/sockets.h"
#include "tests/support/temp_dir.h"
#include "ui/automation.h"
#include "ui/fake/fake_ui.h"

bool platform::StartSockets() {
  return false;
}

namespace {

using namespace testing_support;

TEST(StartupFailureTest, SocketsFailureShowsItsBoxAndEndsWithoutAWindowOrAFile) {
  TempDir dir;
  ScopedCurrentDir cwd(dir.path());
  ui::fake::ScriptMessageBoxAnswers({kIdOk});
  bool result = true;
  ui::automation::RunScenario(
      [&] {
        CQuillanApp app;
        result = app.InitInstance();
      },
      [] {});
  EXPECT_FALSE(result);
  const std::vector<ui::fake::MessageBoxRecord> expected = {
      {"Windows sockets initialization failed.", platform::ProgramName(),
       kMbOk | kMbIconExclamation, 0}};
  EXPECT_EQ(ui::fake::MessageBoxesShown(), expected);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
