#include "platform/display_driver.h"

#include <SDL.h>

namespace ruvel {

namespace {

bool TryDriver(const char* driver) {
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
  return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

bool HasEnv(const char* name) {
  const char* v = SDL_getenv(name);
  return v && *v;
}

}  // namespace

// A real display: the driver the user named, else X11 or Wayland when
// their display is set, else the console's KMS/DRM. SDL's own fallback to
// its offscreen driver would run an invisible window, so it is not taken.
bool InitDisplay(std::string& reason) {
  if (HasEnv("SDL_VIDEODRIVER")) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      reason = SDL_GetError();
      return false;
    }
  } else {
    // The reason given is that of the first display tried.
    auto attempt = [&reason](const char* driver) {
      if (TryDriver(driver)) return true;
      if (reason.empty()) reason = SDL_GetError();
      return false;
    };
    bool x11 = HasEnv("DISPLAY");
    bool wayland = HasEnv("WAYLAND_DISPLAY");
    // Without a display variable the reason stays empty: the caller says so
    // in the user's language.
    bool none = !x11 && !wayland;
    bool ok = (x11 && attempt("x11")) || (wayland && attempt("wayland")) || attempt("KMSDRM");
    if (!ok) {
      if (none) reason.clear();
      return false;
    }
    reason.clear();
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  std::string name = driver ? driver : "";
  // The offscreen driver named on purpose (tests of the windows) is taken;
  // it still draws every window, only nobody sees them.
  if (name == "offscreen" && HasEnv("SDL_VIDEODRIVER")) return true;
  if (name == "offscreen" || name == "dummy" || name == "evdev") {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    reason = "video driver " + name + " has no screen";
    return false;
  }
  return true;
}

}  // namespace ruvel
