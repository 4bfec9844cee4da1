#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/cp932.h"
#include "screen/ranking.h"

namespace ruvel {

// The URL goes to xdg-open as one argument, never through a shell, so its
// characters cannot run commands. A grandchild runs it so that nothing is
// left to reap when it ends.
bool OpenUrlInBrowser(const std::string& cp932Url) {
  std::string url = ToUtf8(cp932Url);
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setsid();
    if (fork() == 0) {
      execvp(argv[0], const_cast<char* const*>(argv));
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace ruvel
