#include "platform/joystick.h"

#include <SDL.h>

namespace ruvel {

namespace {
// Owned here: SDL's source and the one a test may put in its place.
TSdlJoystickSource& SdlSource() {
  static TSdlJoystickSource source;
  return source;
}
TJoystickSource* g_source = nullptr;

int32_t ScaleAxis(Sint16 v) { return int32_t(v) + 32768; }
}  // namespace

TSdlJoystickSource::~TSdlJoystickSource() { CloseAll(); }

void TSdlJoystickSource::CloseAll() {
  for (void*& d : devices_) {
    if (d && SDL_WasInit(SDL_INIT_JOYSTICK)) SDL_JoystickClose(static_cast<SDL_Joystick*>(d));
    d = nullptr;
  }
}

bool TSdlJoystickSource::Read(int n, TJoyReading& reading) {
  if (n < 0 || n > 1 || !SDL_WasInit(SDL_INIT_JOYSTICK)) return false;
  auto* js = static_cast<SDL_Joystick*>(devices_[n]);
  if (js && !SDL_JoystickGetAttached(js)) {
    SDL_JoystickClose(js);
    js = nullptr;
    devices_[n] = nullptr;
  }
  if (!js) {
    if (n >= SDL_NumJoysticks()) return false;
    js = SDL_JoystickOpen(n);
    if (!js) return false;
    devices_[n] = js;
  }
  SDL_JoystickUpdate();
  int axes = SDL_JoystickNumAxes(js);
  reading.x = axes > 0 ? ScaleAxis(SDL_JoystickGetAxis(js, 0)) : 32767;
  reading.y = axes > 1 ? ScaleAxis(SDL_JoystickGetAxis(js, 1)) : 32767;
  reading.z = axes > 2 ? ScaleAxis(SDL_JoystickGetAxis(js, 2)) : 32767;
  reading.buttons = 0;
  int buttons = SDL_JoystickNumButtons(js);
  for (int b = 0; b < buttons && b < 32; ++b) {
    if (SDL_JoystickGetButton(js, b)) reading.buttons |= 1u << b;
  }
  return true;
}

TJoystickSource& JoystickSource() { return g_source ? *g_source : SdlSource(); }

TJoystickSource* SetJoystickSource(TJoystickSource* source) {
  TJoystickSource* old = g_source;
  g_source = source;
  return old;
}

void CloseJoysticks() { SdlSource().CloseAll(); }

}  // namespace ruvel
