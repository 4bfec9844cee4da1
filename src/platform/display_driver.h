// Opening the real display for a window: on the desktop X11, Wayland or the
// console, chosen from the environment; in a browser the page's canvas.
#pragma once
#include <string>

namespace ruvel {

// Starts SDL's video subsystem on a display a person can see. False with a
// reason (empty when no display is set at all, which the caller words).
bool InitDisplay(std::string& reason);

}  // namespace ruvel
