// Starting and stopping SDL's video, event and joystick subsystems. In
// headless mode SDL runs on its offscreen video driver (the dummy driver
// when offscreen is missing) with the software renderer and the dummy audio
// driver, so no display is ever needed.
#pragma once
#include <string>

namespace ruvel {

// Initialises SDL. On failure returns false with the reason in error
// (UTF-8): for a missing display, the driver's reason, empty when no
// display variable is set at all; the caller words the message.
bool VideoInit(bool headless, std::string& error);
// Shuts SDL down again (safe to call when VideoInit failed or never ran).
void VideoQuit();
// True while VideoInit succeeded in headless mode.
bool VideoHeadless();
// True while SDL's video is up.
bool VideoReady();

}  // namespace ruvel
