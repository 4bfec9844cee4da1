// `ruvel --edit-sheet FILE [--project DIR]`: a window with only the pattern
// editor, for drawing a sheet without running a game. --input replays
// clicks and keys in the window's pixels, --frames ends the run after that
// many frames and --screenshot keeps the last picture.
#pragma once

namespace ruvel {

struct CommandLine;

// Runs the editor until its window is closed; the exit status (0, or 1
// when the sheet or the window could not be opened).
int RunSheetEditorProgram(const CommandLine& cl);

}  // namespace ruvel
