#include "shell/export_files.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace ruvel {

namespace fs = std::filesystem;

bool RunProgram(const std::vector<std::string>& args, bool searchPath) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int rc = searchPath ? posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ)
                      : posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (rc != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void CopyTree(const fs::path& from, const fs::path& to, const std::vector<std::string>& leaveOut,
              std::error_code& ec) {
  fs::create_directories(to, ec);
  if (ec) return;
  for (const fs::directory_entry& e : fs::directory_iterator(from, ec)) {
    std::string name = e.path().filename().string();
    bool skip = false;
    for (const std::string& l : leaveOut) skip = skip || name == l;
    if (skip) continue;
    if (e.is_directory()) {
      CopyTree(e.path(), to / name, leaveOut, ec);
    } else if (e.is_regular_file()) {
      fs::copy_file(e.path(), to / name, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) return;
  }
}

}  // namespace ruvel
