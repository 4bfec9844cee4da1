#include "langserver/stdio_server.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "langserver/frame_reader.h"
#include "langserver/language_server.h"
#include "platform/message_sink.h"
#include "platform/paths.h"

namespace ruvel::lsp {

namespace {

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// A folder of the server's own for compiled classes: the classes it
// compiles are mounted differently from a running game's, so their class
// files must never reach the program's Temp. Empty when none can be made.
std::string MakePrivateTemp() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/ruvel-lsp-XXXXXX";
  if (!mkdtemp(pattern.data())) return std::string();
  return pattern;
}

void RemoveFolder(const std::string& dir) {
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") unlink((dir + "/" + name).c_str());
    }
    closedir(d);
  }
  rmdir(dir.c_str());
}

}  // namespace

int RunStdioServer(const std::string& programDir) {
  // Keep the real stdout for the protocol; fd 1 becomes stderr.
  std::fflush(stdout);
  int out = dup(1);
  if (out < 0 || dup2(2, 1) < 0) return 1;
  signal(SIGPIPE, SIG_IGN);

  // Messages of the compiler and the kernel go to stderr, never a box.
  StderrSink sink(false);
  MessageSink* previous = SetSink(&sink);
  std::string temp = MakePrivateTemp();
  if (!temp.empty()) SetTempDir(temp);
  // Without a private folder the code generator is not run at all.
  LanguageServer server(programDir, !temp.empty());
  FrameReader reader([](char* data, size_t n) -> size_t {
    for (;;) {
      ssize_t got = read(0, data, n);
      if (got < 0 && errno == EINTR) continue;
      return got > 0 ? static_cast<size_t>(got) : 0;
    }
  });
  auto send = [&](const json& message) {
    return WriteAll(out, FrameMessage(message.dump(-1, ' ', false, json::error_handler_t::replace)));
  };
  std::string body;
  std::string error;
  for (;;) {
    FrameReader::Status status = reader.Next(body, error);
    if (status == FrameReader::Status::kEnd) break;
    if (status == FrameReader::Status::kBadFrame) {
      if (!send(server.FrameError(error))) break;
      continue;
    }
    bool ok = true;
    for (const json& message : server.Handle(body)) ok = ok && send(message);
    if (!ok || server.Exited()) break;
  }
  close(out);
  if (!temp.empty()) RemoveFolder(temp);
  SetSink(previous);
  return server.Exited() ? server.ExitCode() : 1;
}

}  // namespace ruvel::lsp
