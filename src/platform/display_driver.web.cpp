#include "platform/display_driver.h"

#include <SDL.h>

namespace ruvel {

// In a browser the display is the page's canvas.
bool InitDisplay(std::string& reason) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
  reason = SDL_GetError();
  return false;
}

}  // namespace ruvel
