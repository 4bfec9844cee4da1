#include "platform/window_front.h"

#include <SDL.h>

namespace ruvel {

void BringToFront(SDL_Window* window) {
  if (!window) return;
  SDL_RaiseWindow(window);
  // Refused where the platform has no such request (the browser): the raise
  // is all there is then.
  SDL_SetWindowInputFocus(window);
}

}  // namespace ruvel
