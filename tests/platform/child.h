// Runs a piece of a test in a child process (fork), optionally without root
// rights, and gives back its exit code.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace dw::platform::testing {

// body's result as the child's exit code; 255 when the child died.
inline int inChild(const std::function<int()>& body, bool unprivileged = false) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (unprivileged && ::geteuid() == 0) {
      constexpr uid_t kNobody = 65534;
      if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(254);
    }
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

}  // namespace dw::platform::testing
