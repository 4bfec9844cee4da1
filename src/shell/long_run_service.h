// What the window does while a script runs long inside one frame: it
// repaints the last picture when the system asks for it and can be closed
// (which ends the program at once, as the script cannot be unwound).
// Other input waits in the queue for the frame loop.
#pragma once
#include <cstdint>

namespace ruvel {

class TScreen;

// Handles pending window events for the main window windowId.
void ServiceWindowDuringLongRun(TScreen& screen, uint32_t windowId);
// Installs the above as the long-run watch's service hook (none for a
// headless run, whose window nobody sees).
void InstallLongRunService(TScreen& screen, uint32_t windowId, bool headless);

}  // namespace ruvel
