#include "shell/long_run_service.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "screen/main_screen.h"
#include "vm/long_run.h"

namespace ruvel {

void ServiceWindowDuringLongRun(TScreen& screen, uint32_t windowId) {
  SDL_PumpEvents();
  SDL_Event events[32];
  int n;
  bool repaint = false;
  // Only quit and window events are taken; keys and the mouse stay queued.
  if (SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_QUIT, SDL_QUIT) > 0) {
    std::fflush(stdout);
    if (LongRunWatch().exit) LongRunWatch().exit(0);
    else std::_Exit(0);
    return;
  }
  while ((n = SDL_PeepEvents(events, 32, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT)) > 0) {
    for (int i = 0; i < n; ++i) {
      const SDL_WindowEvent& w = events[i].window;
      if (w.windowID != windowId) continue;
      if (w.event == SDL_WINDOWEVENT_CLOSE) {
        std::fflush(stdout);
        if (LongRunWatch().exit) LongRunWatch().exit(0);
        else std::_Exit(0);
        return;
      }
      if (w.event == SDL_WINDOWEVENT_EXPOSED || w.event == SDL_WINDOWEVENT_SIZE_CHANGED) repaint = true;
    }
  }
  if (repaint) {
    try {
      screen.Present();
    } catch (...) {
      // A window that cannot be drawn now is drawn by the next frame.
    }
  }
}

void InstallLongRunService(TScreen& screen, uint32_t windowId, bool headless) {
  if (headless) {
    LongRunWatch().service = nullptr;
    return;
  }
  LongRunWatch().service = [&screen, windowId] { ServiceWindowDuringLongRun(screen, windowId); };
}

}  // namespace ruvel
