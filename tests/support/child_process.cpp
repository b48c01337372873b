#include "tests/support/child_process.h"

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

int RunInChild(const std::function<bool()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body() ? 0 : 1);  // no exit handlers, no leak report of a copy
  int status = -1;
  if (pid > 0) waitpid(pid, &status, 0);
  return status;
}

bool DropRootPrivileges() {
  if (geteuid() != 0) return true;
  const passwd* nobody = getpwnam("nobody");
  return nobody != nullptr && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
         setuid(nobody->pw_uid) == 0;
}

}  // namespace testing_support
