// Runs the real ruvel-rankd and ruvel for the ranking server's tests: a
// served database in a temporary folder (or the PostgreSQL server named by
// RUVEL_RANKD_TEST_POSTGRES), a game registered from a new project, and
// submission addresses made by the game side itself (ruvel --script).
#pragma once
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "test_paths.h"

namespace rankd_test {

namespace fs = std::filesystem;

struct TRun {
  int exitCode;
  std::string output;  // stdout and stderr
};

inline std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs a shell command line; its output is collected through a file.
inline TRun RunCommand(const std::string& command, const fs::path& scratch) {
  fs::path out = scratch / "run.out";
  int status = std::system((command + " >" + out.string() + " 2>&1").c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out)};
}

inline std::string Quoted(const std::string& s) { return "'" + s + "'"; }

// One `ruvel-rankd serve` process; its log goes to a file.
class TServer {
 public:
  TServer(const std::string& db, const fs::path& log, const std::string& extra) : log_(log) {
    pid_ = fork();
    if (pid_ == 0) {
      std::string cmd = "exec " + ruvel_test::TestBuildDir() + "/ruvel-rankd serve --db " + Quoted(db) +
                        " --listen 127.0.0.1:0 " + extra + " 2>" + log.string();
      execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // The port is in the first line of the log once the socket is bound.
    for (int i = 0; i < 500 && port_ == 0; ++i) {
      std::string text = ReadAll(log);
      size_t at = text.find("listening on 127.0.0.1:");
      if (at != std::string::npos) port_ = std::atoi(text.c_str() + at + 23);
      else std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~TServer() {
    if (pid_ > 0) Stop(SIGKILL);
  }
  int Port() const { return port_; }
  std::string Log() const { return ReadAll(log_); }
  // Sends the signal and returns the exit code (-1 for a signal death).
  int Stop(int sig) {
    kill(pid_, sig);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  fs::path log_;
};

}  // namespace rankd_test
