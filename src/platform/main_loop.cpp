#include "platform/main_loop.h"

#include <SDL.h>

#include <chrono>
#include <thread>

namespace ruvel {

void RunMainLoop(std::function<bool()> step) {
  while (step()) {
  }
}

void WaitForNextStep(int ms) { SDL_WaitEventTimeout(nullptr, ms); }

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void NoteFramesDrawn(long) {}

}  // namespace ruvel
