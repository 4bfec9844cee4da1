#include "platform/main_loop.h"

#include <emscripten.h>

#include <utility>

namespace ruvel {

namespace {

// The step lives here for the rest of the page's life.
std::function<bool()>& Step() {
  static std::function<bool()> step;
  return step;
}

void CallStep() {
  if (!Step()()) emscripten_cancel_main_loop();
}

}  // namespace

// Frame rate 0: one call per animation frame of the browser; the frame
// loop's own 17 ms clock decides how many update steps each call runs.
void RunMainLoop(std::function<bool()> step) {
  Step() = std::move(step);
  emscripten_set_main_loop(CallStep, 0, 1);
}

void WaitForNextStep(int) {}

void SleepMs(int) {}

}  // namespace ruvel
