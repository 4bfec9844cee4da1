// SDL2 and SDL2_ttf are loaded when the program first calls one of their
// functions, so runs that never need a window, sound or text (a --script
// run, an export) start without them. Where the program links them as
// usual (the browser build, other processors) they count as loaded.
#pragma once

namespace ruvel {

// True once the libraries are in the process.
bool SdlLoaded();

}  // namespace ruvel
