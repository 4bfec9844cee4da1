// Design mode as the program offers it to a person: entering design mode on
// the loaded page, the design step the screen runs after mouse events, the
// keys of the design window (Ctrl+S saves, the arrow keys nudge the
// selection by one grid step, Escape drops the selection), saving the page
// with every placed object's state written back into its generator, and
// the window caption, which starts with "*" while moves are unsaved.
#pragma once
#include <string>

namespace ruvel {

class TScreen;

// Fills the screen's design-step hook: one run of the root process as the
// drawing step of a frame, then a present.
void WireDesignMode(TScreen& screen);

// Starts design mode on the loaded page, with a clean editor, and runs one
// design step so the objects are placed and drawn at once. False when the
// page cannot run (no compiled "Boot").
bool EnterDesignMode();

// Saves the page of design mode: "usr" is written back to its file, each
// generator first letting its object write its state into the generator
// ("onSaveToGen"). The page's cached page script is deleted so the next
// load places the objects where they now are. Clears the unsaved flag on
// success; a failure is reported in a message box and keeps it.
bool SaveDesignedPage(TScreen& screen);

// Keys of design mode, as SDL scancodes; true when the key was used.
bool HandleDesignKey(TScreen& screen, int scancode, bool ctrl);

// The window caption: base outside design mode; in design mode the page's
// file name, base and the mode's name, headed by "*" while moves are
// unsaved. CP932.
std::string WindowCaption(const std::string& base, TScreen& screen);

}  // namespace ruvel
