// The frame loop of a program that is one editor window (`--edit-sheet`,
// `--edit-map` and the like): the --input replay fed into the window as a
// person's keys and mouse would reach it, --frames, --screenshot of the
// last frame, and the pace (no waiting with --fixed-clock or --headless).
// RunEditorProgram does the rest of such a program's start-up: video, the
// window with its ImGui layer and, for editors that play, the sound.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/input_script.h"

namespace ruvel {

struct CommandLine;

// A replayed event as the SDL event of the window; mods keeps the Shift
// and Ctrl held by earlier replayed events.
SDL_Event ReplayedSdlEvent(const TInputEvent& in, uint32_t windowId, uint16_t& mods);

// The text a replayed key-down types (as SDL_TEXTINPUT follows a person's
// key press), US layout with Shift; false for keys that type nothing or
// while Ctrl is held.
bool ReplayedText(const TInputEvent& in, uint16_t mods, SDL_Event& text, uint32_t windowId);

// Reads the --input replay (none without --input); false with the reason
// written to stderr.
bool LoadEditorReplay(const CommandLine& cl, std::vector<TInputEvent>& replay);

// What the loop asks of the editor window.
struct TEditorWindowHooks {
  std::function<uint32_t()> windowId;
  std::function<bool()> open;                       // false once the window went away
  std::function<void(const SDL_Event&)> event;      // an event of the program
  std::function<SDL_Renderer*()> draw;              // draws a frame, not yet presented
  std::function<void()> present;
};

// Runs frames until the window closes or --frames is reached. The
// screenshot is taken of the last frame drawn (also when the window
// closed by itself). False when the screenshot could not be written
// (the reason is on stderr).
bool RunEditorFrames(const CommandLine& cl, const std::vector<TInputEvent>& replay, const TEditorWindowHooks& window);

// What a one-window editor program brings of its own.
struct TEditorProgram {
  std::string name;  // the window's title (CP932)
  std::string file;  // the file edited, added to the title once open
  int width = 1000;
  int height = 640;
  // Plays sound: the device (one stepped a frame at a time with
  // --fixed-clock, so a recording is the same every run) and --record-audio.
  bool sound = false;
  std::function<bool()> open;               // opens the file; false ends with status 1
  std::function<bool()> shown;              // the editor is still open
  std::function<void()> requestClose;       // the window was asked to close
  std::function<void(SDL_Renderer*)> draw;  // the ImGui calls of one frame
  std::function<void()> finish;             // optional, before the window goes
};

// Takes shown and requestClose from a view with a `shown` flag and
// RequestClose(), as the editor views have.
template <class TView>
void UseEditorView(TEditorProgram& program, TView& view) {
  program.shown = [&view] { return view.shown; };
  program.requestClose = [&view] { view.RequestClose(); };
}

// Runs the program until its editor closes; the exit status (0, or 1 when
// something could not be opened or written; the reason is on stderr).
int RunEditorProgram(const CommandLine& cl, const TEditorProgram& program);

}  // namespace ruvel
