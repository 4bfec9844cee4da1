// Entry point of the program: parses the command line and runs the shell
// (a window, or headless with --headless).
#include <cstdio>
#include <string>

#include "shell/app.h"
#include "shell/command_line.h"

int main(int argc, char** argv) {
  ruvel::CommandLine cl;
  std::string error;
  if (!ruvel::ParseCommandLine(argc, argv, cl, error)) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    std::fprintf(stderr, "'ruvel --help' で使い方を表示します。\n");
    return 64;
  }
  if (cl.help) {
    std::fputs(ruvel::HelpText().c_str(), stdout);
    return 0;
  }
  if (cl.version) {
    std::printf("Ruvel System Ver 1.16\n");
    return 0;
  }
  if (!cl.script.empty()) {
    std::fprintf(stderr, "ruvel: --script はまだ使えません\n");
    return 1;
  }
  return ruvel::RunShell(cl);
}
