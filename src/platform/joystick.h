// Joystick positions as the scripts see them: axes scaled to 0..65535 and
// up to 32 button bits, read through SDL's joystick subsystem. A device
// that SDL knows as a game controller (its mapping database, plus a
// "gamecontrollerdb.txt" the program loads) reads as: x, y from the left
// stick, overruled by the d-pad; z from the right trigger; buttons A, B,
// X, Y, back, start, left and right shoulder, left and right stick press
// as bits 0 to 9.
#pragma once
#include <cstdint>
#include <string>

namespace ruvel {

struct TJoyReading {
  int32_t x = 0;
  int32_t y = 0;
  int32_t z = 0;
  uint32_t buttons = 0;
};

class TJoystickSource {
 public:
  virtual ~TJoystickSource() = default;
  // Reads joystick number n; false when it cannot be read.
  virtual bool Read(int n, TJoyReading& reading) = 0;
};

// SDL joysticks 0 and 1, opened on first read and again after unplugging.
class TSdlJoystickSource : public TJoystickSource {
 public:
  ~TSdlJoystickSource() override;
  bool Read(int n, TJoyReading& reading) override;
  // Closes the open devices (at shutdown).
  void CloseAll();
  // The first controller holds the pad button behind a key of "pad_keys".
  bool PadPressesKey(int vk);

 private:
  // Opens device n when it is not open (again after unplugging).
  bool Open(int n);
  void* devices_[2] = {nullptr, nullptr};      // SDL_Joystick
  void* controllers_[2] = {nullptr, nullptr};  // SDL_GameController, when it is one
};

// The source in use: SDL's unless a test installed another (not owned).
TJoystickSource& JoystickSource();
TJoystickSource* SetJoystickSource(TJoystickSource* source);
// Closes SDL's devices (before SDL shuts down).
void CloseJoysticks();
// Adds game-controller mappings from a file in SDL's database format;
// the number added, or -1 when SDL refused them. Throws EIOError when the
// file is not a regular file or is over its size, line or mapping limit.
int LoadControllerMappings(const std::string& path);
// "pad_keys": the first controller's d-pad presses the arrow keys, A the
// Z key, B the X key and start the Return key, as far as getkey sees.
void SetPadKeys(bool on);
bool PadKeyDown(int vk);

}  // namespace ruvel
