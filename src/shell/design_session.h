// Design mode as the program offers it to a person: entering design mode on
// the loaded page, the design step the screen runs after mouse events, the
// keys of the design window (Ctrl+S saves; Ctrl+Z undoes and Ctrl+Y redoes
// the last edit; Ctrl+N makes a new object at the pointer, of the selected
// object's class or else the page's first class; Ctrl+D copies the
// selection; Delete removes it; the arrow keys nudge it by one grid step;
// Escape drops it), the commands of the object popup menu, saving the page
// with every placed object's state written back into its generator (the
// status bar names the file), and the window caption, which starts with
// "*" while edits are unsaved.
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

// The edits the object popup menu and the keys offer.
enum class TDesignCommandId { kNew, kCopy, kDelete, kUndo, kRedo };

// Carries out one edit and shows the result; cls is the class of a new
// object (empty: as Ctrl+N chooses). New objects go to the point of the
// last press. False when nothing changed.
bool RunDesignCommand(TScreen& screen, TDesignCommandId id, const std::string& cls = std::string());

// Keys of design mode, as SDL scancodes; true when the key was used.
bool HandleDesignKey(TScreen& screen, int scancode, bool ctrl);

// The window caption: base outside design mode; in design mode the page's
// file name, base and the mode's name, headed by "*" while moves are
// unsaved. CP932.
std::string WindowCaption(const std::string& base, TScreen& screen);

}  // namespace ruvel
