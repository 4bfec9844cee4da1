// Message boxes drawn by the program in a window of its own process, with
// its own Japanese font, so they read the same in every locale. A box is
// modal: RunMessageBox returns only when a button was pressed (Enter, Space
// and Escape answer too); meanwhile other windows' events are dropped, an
// exposed owner is repainted and the sound is kept fed through the hooks.
// Every box's text is also written to stderr as one UTF-8 line.
#pragma once
#include <functional>

#include "platform/message_box_model.h"

struct SDL_Window;

namespace ruvel {

struct TFontSpec;

// The font a box's text and buttons are drawn with (the default Japanese
// font of the text renderer).
TFontSpec MessageBoxFont();

struct TMessageBoxHooks {
  std::function<void()> repaintOwner;  // the owner window was uncovered
  std::function<void()> service;       // about every 17 ms while the box waits
};

// Shows the box centred on owner (on the screen without one), waits for the
// answer and returns the index of the button pressed; -1 when no window
// could be opened (the text is on stderr all the same). A quit request or a
// close of the owner that arrives meanwhile answers the escape button and
// is handed on to the caller's event loop.
int RunMessageBox(const TMessageBoxRequest& request, SDL_Window* owner, const TMessageBoxHooks& hooks = {});

}  // namespace ruvel
