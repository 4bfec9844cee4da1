// The frame loop of a program that is one editor window (`--edit-sheet`,
// `--edit-map` and the like): the --input replay fed into the window as a
// person's keys and mouse would reach it, --frames, --screenshot of the
// last frame, and the pace (no waiting with --fixed-clock or --headless).
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

}  // namespace ruvel
