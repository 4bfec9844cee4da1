// `ruvel --edit-sfx FILE`: a window with only the effect maker, for making
// a ".sfx" effect without running a game (a new effect when FILE is
// missing). The effect plays on the sound device; --record-audio writes
// what it played, --input replays clicks and keys in the window's pixels,
// --frames ends the run and --screenshot keeps the last picture.
#pragma once

namespace ruvel {

struct CommandLine;

// Runs the editor until its window is closed; the exit status (0, or 1
// when the file or the window could not be opened or the recording could
// not be written).
int RunSfxEditorProgram(const CommandLine& cl);

}  // namespace ruvel
