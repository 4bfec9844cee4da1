// The start-up path of the program: home directory, cookies and recent
// pages, the command-line file, the script world, the default project and
// the page to open first.
#pragma once
#include "shell/command_line.h"

namespace ruvel {

// Runs the path inside the shell's start-up (the window exists already).
// Raises when the script world cannot start.
void RunStartupPath(const CommandLine& cl);

}  // namespace ruvel
