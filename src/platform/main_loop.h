// How the program's own loop is driven. On the desktop the shell loops and
// sleeps until the next step is due; in a browser a page must not block, so
// the browser's animation frames call the same step instead.
#pragma once
#include <functional>

namespace ruvel {

// Calls step again and again until it returns false. On the desktop this
// returns when step does; in a browser it hands step to the animation
// frames and never returns to its caller (the caller's locals are gone:
// whatever step uses must live on the heap).
void RunMainLoop(std::function<bool()> step);

// Waits up to ms for the next step, waking for events (desktop); nothing in
// a browser, where the next animation frame is the wait.
void WaitForNextStep(int ms);

// The frame loop's sleep: the thread sleeps (0 yields) on the desktop; a
// browser page never sleeps.
void SleepMs(int ms);

// The frames drawn so far: a browser page shows them to its script (start
// time and frame rate are measured from them); nothing on the desktop.
void NoteFramesDrawn(long total);

}  // namespace ruvel
