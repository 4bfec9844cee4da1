#include "platform/joystick.h"

#include <SDL.h>

#include "platform/controller_db.h"
#include "platform/regular_file.h"

namespace ruvel {

namespace {
// Owned here: SDL's source and the one a test may put in its place.
TSdlJoystickSource& SdlSource() {
  static TSdlJoystickSource source;
  return source;
}
TJoystickSource* g_source = nullptr;
// Owned here: whether the first pad also presses keys ("pad_keys").
bool g_padKeys = false;

int32_t ScaleAxis(Sint16 v) { return int32_t(v) + 32768; }

// The button bits of a game controller, in this order: bit 0 is A.
constexpr SDL_GameControllerButton kPadButtons[] = {
    SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,          SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,         SDL_CONTROLLER_BUTTON_BACK,       SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
};

// The keys the first pad presses when "pad_keys" is on: virtual-key code
// and the pad button behind it.
struct TPadKey {
  int vk;
  SDL_GameControllerButton button;
};
constexpr TPadKey kPadKeys[] = {
    {0x25, SDL_CONTROLLER_BUTTON_DPAD_LEFT}, {0x26, SDL_CONTROLLER_BUTTON_DPAD_UP},
    {0x27, SDL_CONTROLLER_BUTTON_DPAD_RIGHT}, {0x28, SDL_CONTROLLER_BUTTON_DPAD_DOWN},
    {'Z', SDL_CONTROLLER_BUTTON_A},           {'X', SDL_CONTROLLER_BUTTON_B},
    {0x0D, SDL_CONTROLLER_BUTTON_START},
};
}  // namespace

TSdlJoystickSource::~TSdlJoystickSource() { CloseAll(); }

void TSdlJoystickSource::CloseAll() {
  for (int n = 0; n < 2; ++n) {
    if (SDL_WasInit(SDL_INIT_JOYSTICK)) {
      if (controllers_[n]) {
        SDL_GameControllerClose(static_cast<SDL_GameController*>(controllers_[n]));
      } else if (devices_[n]) {
        SDL_JoystickClose(static_cast<SDL_Joystick*>(devices_[n]));
      }
    }
    controllers_[n] = nullptr;
    devices_[n] = nullptr;
  }
}

bool TSdlJoystickSource::Open(int n) {
  if (n < 0 || n > 1 || !SDL_WasInit(SDL_INIT_JOYSTICK)) return false;
  auto* js = static_cast<SDL_Joystick*>(devices_[n]);
  if (js && !SDL_JoystickGetAttached(js)) {
    // Unplugged: forget it, and take whatever is plugged in at n next.
    if (controllers_[n]) {
      SDL_GameControllerClose(static_cast<SDL_GameController*>(controllers_[n]));
    } else {
      SDL_JoystickClose(js);
    }
    controllers_[n] = nullptr;
    devices_[n] = js = nullptr;
  }
  if (js) return true;
  if (n >= SDL_NumJoysticks()) return false;
  if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) && SDL_IsGameController(n)) {
    SDL_GameController* pad = SDL_GameControllerOpen(n);
    if (pad) {
      controllers_[n] = pad;
      devices_[n] = SDL_GameControllerGetJoystick(pad);
      return true;
    }
  }
  devices_[n] = SDL_JoystickOpen(n);
  return devices_[n] != nullptr;
}

bool TSdlJoystickSource::Read(int n, TJoyReading& reading) {
  if (!Open(n)) return false;
  SDL_JoystickUpdate();
  if (auto* pad = static_cast<SDL_GameController*>(controllers_[n])) {
    // A game controller: the left stick, overruled by the d-pad, and its
    // buttons in the documented order.
    reading.x = ScaleAxis(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX));
    reading.y = ScaleAxis(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY));
    reading.z = ScaleAxis(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
    if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT)) reading.x = 0;
    if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) reading.x = 65535;
    if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP)) reading.y = 0;
    if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN)) reading.y = 65535;
    reading.buttons = 0;
    for (size_t b = 0; b < std::size(kPadButtons); ++b) {
      if (SDL_GameControllerGetButton(pad, kPadButtons[b])) reading.buttons |= 1u << b;
    }
    return true;
  }
  auto* js = static_cast<SDL_Joystick*>(devices_[n]);
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

bool TSdlJoystickSource::PadPressesKey(int vk) {
  if (!Open(0) || !controllers_[0]) return false;
  auto* pad = static_cast<SDL_GameController*>(controllers_[0]);
  SDL_GameControllerUpdate();
  for (const TPadKey& k : kPadKeys) {
    if (k.vk == vk && SDL_GameControllerGetButton(pad, k.button)) return true;
  }
  return false;
}

TJoystickSource& JoystickSource() { return g_source ? *g_source : SdlSource(); }

TJoystickSource* SetJoystickSource(TJoystickSource* source) {
  TJoystickSource* old = g_source;
  g_source = source;
  return old;
}

void CloseJoysticks() { SdlSource().CloseAll(); }

int LoadControllerMappings(const std::string& path) {
  if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER)) return -1;
  std::vector<std::string> mappings =
      ParseControllerDb(ReadRegularFileOrThrow(path, kMaxControllerDbBytes), SDL_GetPlatform(), path);
  // Handed over at once, already filtered and without repeated GUIDs.
  std::string text;
  for (const std::string& m : mappings) text += m + "\n";
  if (text.empty()) return 0;
  SDL_RWops* rw = SDL_RWFromConstMem(text.data(), int(text.size()));
  if (!rw) return -1;
  return SDL_GameControllerAddMappingsFromRW(rw, 1);
}

void SetPadKeys(bool on) { g_padKeys = on; }

bool PadKeyDown(int vk) { return g_padKeys && SdlSource().PadPressesKey(vk); }

}  // namespace ruvel
