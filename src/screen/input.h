// Keyboard and joystick state behind the polling natives: hold counters
// (0 while up, the number of consecutive polls while down) with polled
// marks reset once per frame, and the joystick calibration. Owners:
// Keyboard() and Joysticks(), one process-wide instance each (input.cpp).
#pragma once
#include <array>
#include <cstdint>

namespace ruvel {

class TKeyboard {
 public:
  // getkey(code): the hold counter of the key (see input.cpp).
  int32_t GetKey(double code);
  // getkey(): a new frame; every key may advance once more.
  void ResetPolled();
  // Forgets every counter and mark (tests, page reloads).
  void Reset();

 private:
  std::array<int32_t, 256> counters_{};
  std::array<bool, 256> polled_{};
};

class TJoysticks {
 public:
  struct Stick {
    bool left = false;
    bool right = false;
    bool up = false;
    bool down = false;
    bool read = false;  // read since the last getkey()
    std::array<int32_t, 4> directionCounters{};  // left, right, up, down
    std::array<int32_t, 32> buttonCounters{};
  };
  enum Direction { kLeft = 0, kRight = 1, kUp = 2, kDown = 3 };

  // Reads joystick n (taken modulo 2) and updates the calibration and its
  // direction flags; a failed read changes nothing.
  void Read(int32_t n);
  int32_t X() const { return x_; }
  int32_t Y() const { return y_; }
  // Reads, then advances or resets a direction or button counter.
  int32_t Direction(int32_t n, Direction d);
  int32_t Button(int32_t n, int32_t button);
  void ResetReadMarks();
  void Reset();

  int32_t xMax = 45000;
  int32_t yMax = 45000;
  int32_t xMin = 20000;
  int32_t yMin = 20000;

 private:
  static int Index(int32_t n) { return ((n % 2) + 2) % 2; }
  int32_t x_ = 0;
  int32_t y_ = 0;
  int32_t z_ = 0;
  uint32_t buttons_ = 0;
  Stick sticks_[2];
};

TKeyboard& Keyboard();
TJoysticks& Joysticks();

}  // namespace ruvel
