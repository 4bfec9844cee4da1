// What the platform the program runs on offers beyond its one main window.
#pragma once

namespace ruvel {

// Separate windows (the loading picture, the dialogs, the debugger): yes on
// the desktop; a browser page has its one canvas.
bool HostHasMoreWindows();

}  // namespace ruvel
