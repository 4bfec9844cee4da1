// `ruvel --edit-mml FILE`: a window with only the music editor, for writing
// music without running a game (a missing FILE starts a new song). The
// sound plays on the program's sequencer; with --fixed-clock it moves 17 ms
// a frame and --record-audio keeps what was played. --input replays clicks
// and keys in the window's pixels, --frames ends the run after that many
// frames and --screenshot keeps the last picture.
#pragma once

namespace ruvel {

struct CommandLine;

// Runs the editor until its window is closed; the exit status (0, or 1
// when the file or the window could not be opened or the recording could
// not be written).
int RunMusicEditorProgram(const CommandLine& cl);

}  // namespace ruvel
