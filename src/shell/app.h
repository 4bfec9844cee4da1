// The program's window (or headless) run: opens SDL and the main window,
// runs the start-up path, pumps events and runs the frame loop whenever no
// event is pending, and on exit writes the screenshot and closes it all.
#pragma once
#include <functional>

#include "shell/command_line.h"

namespace ruvel {

struct TShellHooks {
  // The script world's start-up (kernel, project, first page), run inside
  // the start-up path while "starting" is set; none: the window stays on
  // its start-up picture.
  std::function<void()> startScriptWorld;
  // Called once per pass of the loop, between frames; false ends the run.
  std::function<bool()> betweenFrames;
};

// Runs until the window closes or --frames frames were drawn. Returns the
// process exit code (1 when no display could be opened or the screenshot
// could not be written).
int RunShell(const CommandLine& cl, const TShellHooks& hooks = {});

}  // namespace ruvel
