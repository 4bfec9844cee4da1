// Joystick positions as the scripts see them: axes scaled to 0..65535 and
// up to 32 button bits, read through SDL's joystick subsystem.
#pragma once
#include <cstdint>

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

 private:
  void* devices_[2] = {nullptr, nullptr};
};

// The source in use: SDL's unless a test installed another (not owned).
TJoystickSource& JoystickSource();
TJoystickSource* SetJoystickSource(TJoystickSource* source);
// Closes SDL's devices (before SDL shuts down).
void CloseJoysticks();

}  // namespace ruvel
