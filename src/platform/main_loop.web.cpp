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

// When the program ends (a frame count reached, the game quit) the page
// keeps its last picture and learns that the run is over. The page adds up
// the time each call takes, so a slow frame can be told from a slow browser.
void CallStep() {
  double start = emscripten_get_now();
  bool more = Step()();
  EM_ASM({ if (window.ruvelPage) { ruvelPage.stepMs += $0; ruvelPage.steps++; } }, emscripten_get_now() - start);
  if (more) return;
  emscripten_cancel_main_loop();
  EM_ASM({ Module.ruvelDone = true; });
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

void NoteFramesDrawn(long total) { EM_ASM({ Module.ruvelFrames = $0; }, total); }

}  // namespace ruvel
