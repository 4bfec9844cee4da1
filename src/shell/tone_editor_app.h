// `ruvel --edit-tones [FILE]`: a window with only the tone editor, for
// drawing the waves and envelopes of a tones.wdt without running a game.
// Without FILE it edits the project's tones.wdt (--project DIR, else the
// program's Usr), made from the program's own file on the first save.
// Notes play through the program's sound path, so --record-audio records
// them; --input, --frames and --screenshot work as for the other editors.
#pragma once

namespace ruvel {

struct CommandLine;

// Runs the editor until its window is closed; the exit status (0, or 1
// when the tone file or the window could not be opened).
int RunToneEditorProgram(const CommandLine& cl);

}  // namespace ruvel
