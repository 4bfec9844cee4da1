#include "platform/window_sink.h"

#include <SDL.h>

namespace ruvel {

void WindowSink::ShowMessage(const std::string& text) {
  if (!window_) {
    fallback_.ShowMessage(text);
    return;
  }
  // A hidden main window does not hold the box back: the box is then
  // centred on the screen.
  bool shown = (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0;
  TMessageBoxRequest box;
  box.title = "Ruvel System";
  box.text = text;
  RunMessageBox(box, shown ? window_ : nullptr, hooks_);
}

}  // namespace ruvel
