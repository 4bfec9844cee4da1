// Restarting frames whose method a live reload replaced. A process whose
// frames run code that is no longer its method's current code (retired by
// a swap) starts the outermost such method again from its start in the
// new code: the frames above it are dropped (what they held is released),
// its locals start null, and it keeps its receiver and arguments, so the
// object keeps its members. The frames below it, and their methods, go on
// where they were. The restart waits until the process stands at a
// suspend(), so that a loop iteration never runs half old, half new;
// after a swap that moved members or methods, whose old code would address
// the wrong slots, it happens before the process runs on at all. Frames running a
// class's own code (no method) are not restarted: they finish in their
// old code.
#pragma once

#include "vm/value.h"

namespace ruvel {

class TProcess;

// The outermost frame of p that runs retired code of its method, or none.
Value* OutdatedFrame(TProcess* p);
// Drops the frames above frame and starts frame's method again from its
// current code. Raises "スタックがあふれました" when the new locals do not
// fit, and the verifier's error for bad code.
void RestartFrame(TProcess* p, Value* frame);
// Before a run of p: when a swap happened since p was last checked and p
// stands at a suspend() (atSuspend) or indices moved, restarts p's
// outdated frame. True when it restarted one.
bool RestartIfOutdated(TProcess* p, bool atSuspend);

}  // namespace ruvel
