// Runs part of a test in a forked child: for what must not touch the test
// program itself (dropping root, a file-size limit) or must die half way.
#pragma once

#include <functional>

namespace testing_support {

// Runs `body` in a child process and returns the child's wait status. The
// child ends with _exit: code 0 when `body` returned true, else 1.
int RunInChild(const std::function<bool()>& body);

// Run as root, becomes the user "nobody", so that file permissions apply as
// they do to an ordinary user; otherwise does nothing. False if that fails.
bool DropRootPrivileges();

}  // namespace testing_support
