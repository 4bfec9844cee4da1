// Test helper: a left click at a point of a window, queued as SDL events
// (a move there, then the button down and up), as a person's click arrives.
#pragma once
#include <SDL.h>

#include <cstdint>

inline void PushClick(uint32_t windowId, int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = windowId;
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
  for (uint32_t type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
    SDL_Event b{};
    b.type = type;
    b.button.windowID = windowId;
    b.button.button = SDL_BUTTON_LEFT;
    b.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    b.button.clicks = 1;
    b.button.x = x;
    b.button.y = y;
    SDL_PushEvent(&b);
  }
}
