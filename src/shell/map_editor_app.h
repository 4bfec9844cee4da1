// ruvel --edit-map FILE [--project DIR]: a window with just the map
// editor on FILE (a map file, or a Tiled map to import). A FILE that does
// not exist yet starts a new map with the dialog for its size. --input
// replays key and mouse events into the window (coordinates are the
// window's), --frames ends after that many frames and --screenshot keeps
// the last one; --headless runs on SDL's offscreen driver.
#pragma once

namespace ruvel {

struct CommandLine;

// The process's exit code: 0, or 2 when the window or the input script
// could not be had.
int RunMapEditor(const CommandLine& cl);

}  // namespace ruvel
