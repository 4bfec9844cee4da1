// Brings one of the program's windows to the front with the keyboard focus.
#pragma once

struct SDL_Window;

namespace ruvel {

// Raises the window and gives it the keyboard focus. Raising alone leaves
// the focus where it was on a display without a window manager (and some
// managers raise without focusing), so the focus is asked for as well.
void BringToFront(SDL_Window* window);

}  // namespace ruvel
