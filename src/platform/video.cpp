#include "platform/video.h"

#include <SDL.h>

#include "platform/display_driver.h"

namespace ruvel {

namespace {
// Owned here: whether SDL is up and in which mode.
bool g_ready = false;
bool g_headless = false;

bool TryDriver(const char* driver) {
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
  return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

}  // namespace

bool VideoInit(bool headless, std::string& error) {
  if (g_ready) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (headless) {
    SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_OVERRIDE);
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    // The window's pixels stay in memory: no GL context behind them.
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_OVERRIDE);
  }
  if (SDL_Init(SDL_INIT_EVENTS) != 0) {
    error = std::string("SDL: ") + SDL_GetError();
    return false;
  }
  std::string reason;
  bool ok = headless ? (TryDriver("offscreen") || TryDriver("dummy")) : InitDisplay(reason);
  if (!ok) {
    if (headless) {
      error = std::string("画面を用意できません: ") + SDL_GetError();
    } else {
      error = reason;
    }
    SDL_Quit();
    return false;
  }
  // Joysticks and game controllers are optional: a machine without the
  // subsystem reads none.
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
  g_ready = true;
  g_headless = headless;
  return true;
}

void VideoQuit() {
  if (!g_ready) return;
  g_ready = false;
  g_headless = false;
  SDL_Quit();
}

bool VideoHeadless() { return g_headless; }
bool VideoReady() { return g_ready; }

}  // namespace ruvel
