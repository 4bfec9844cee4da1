// `ruvel --dap`: the debug adapter on stdio. The launched project runs in
// this process, as `ruvel --dev PROJECT` runs it (windowed or headless);
// standard output carries only the protocol, so the game's own output
// reaches the client as output events.
#pragma once
#include "shell/command_line.h"

namespace ruvel {

// Serves one client until it disconnects or its input ends; returns the
// process exit code (0).
int RunDapServer(const CommandLine& cl);

}  // namespace ruvel
