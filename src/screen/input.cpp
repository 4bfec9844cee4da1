// Keyboard, joystick and mouse-pointer natives ("getkey", "JoyStick",
// "MouseManager") over the platform's key and joystick sources.
#include "screen/input.h"

#include <algorithm>
#include <cmath>

#include "platform/joystick.h"
#include "platform/keys.h"
#include "platform/window.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "screen/native_util.h"
#include "screen/screen_natives.h"
#include "screen/script_globals.h"

namespace ruvel {

TKeyboard& Keyboard() {
  static TKeyboard keyboard;
  return keyboard;
}

TJoysticks& Joysticks() {
  static TJoysticks joysticks;
  return joysticks;
}

namespace {
// The project switch "deactivation_disablekey": on unless the project
// sets it to "0".
bool KeysDisabledWhileInactive() { return ProjectParam("deactivation_disablekey") != "0"; }
}  // namespace

int32_t TKeyboard::GetKey(double code) {
  const THostState& host = HostState();
  if (!host.appActive && KeysDisabledWhileInactive()) return 0;
  int k = 0;
  if (std::isfinite(code) && code >= 0.0 && code < 256.0) k = static_cast<int>(code);
  if (host.designMode || !polled_[k]) {
    counters_[k] = KeySource().IsDown(k) ? counters_[k] + 1 : 0;
    polled_[k] = true;
  }
  return counters_[k];
}

void TKeyboard::ResetPolled() { polled_.fill(false); }

void TKeyboard::Reset() {
  counters_.fill(0);
  polled_.fill(false);
}

void TJoysticks::Read(int32_t n) {
  Stick& s = sticks_[Index(n)];
  s.read = true;
  TJoyReading r;
  if (!JoystickSource().Read(Index(n), r)) return;
  x_ = r.x;
  y_ = r.y;
  z_ = r.z;
  buttons_ = r.buttons;
  xMax = std::max(xMax, x_);
  xMin = std::min(xMin, x_);
  yMax = std::max(yMax, y_);
  yMin = std::min(yMin, y_);
  int32_t cx = (xMax + xMin) / 2;
  int32_t cy = (yMax + yMin) / 2;
  s.left = x_ < (xMin + cx) / 2;
  s.right = x_ > (cx + xMax) / 2;
  s.up = y_ < (yMin + cy) / 2;
  s.down = y_ > (cy + yMax) / 2;
}

int32_t TJoysticks::Direction(int32_t n, enum Direction d) {
  Read(n);
  Stick& s = sticks_[Index(n)];
  bool on = d == kLeft ? s.left : d == kRight ? s.right : d == kUp ? s.up : s.down;
  int32_t& c = s.directionCounters[d];
  c = on ? c + 1 : 0;
  return c;
}

int32_t TJoysticks::Button(int32_t n, int32_t button) {
  int b = ((button % 32) + 32) % 32;
  Read(n);
  int32_t& c = sticks_[Index(n)].buttonCounters[b];
  c = (buttons_ >> b) & 1u ? c + 1 : 0;
  return c;
}

void TJoysticks::ResetReadMarks() {
  for (Stick& s : sticks_) s.read = false;
}

void TJoysticks::Reset() { *this = TJoysticks(); }

namespace screen_natives {

void GetKey(Value* self, int32_t argc, int32_t) {
  if (argc < 1) {
    Keyboard().ResetPolled();
    Joysticks().ResetReadMarks();
    return;
  }
  const Value& v = NArg(self, 1);
  double code = v.tag == kFloat ? double(v.f) : double(ValueToInt(v));
  ValueSetInt(*self, Keyboard().GetKey(std::trunc(code)));
}

void JoyGetX(Value* self, int32_t argc, int32_t) {
  if (argc < 1) return;
  Joysticks().Read(NInt(self, 1));
  ValueSetInt(*self, Joysticks().X());
}

void JoyGetY(Value* self, int32_t argc, int32_t) {
  if (argc < 1) return;
  Joysticks().Read(NInt(self, 1));
  ValueSetInt(*self, Joysticks().Y());
}

void JoyLeft(Value* self, int32_t argc, int32_t) {
  if (argc >= 1) ValueSetInt(*self, Joysticks().Direction(NInt(self, 1), TJoysticks::kLeft));
}

void JoyRight(Value* self, int32_t argc, int32_t) {
  if (argc >= 1) ValueSetInt(*self, Joysticks().Direction(NInt(self, 1), TJoysticks::kRight));
}

void JoyUp(Value* self, int32_t argc, int32_t) {
  if (argc >= 1) ValueSetInt(*self, Joysticks().Direction(NInt(self, 1), TJoysticks::kUp));
}

void JoyDown(Value* self, int32_t argc, int32_t) {
  if (argc >= 1) ValueSetInt(*self, Joysticks().Direction(NInt(self, 1), TJoysticks::kDown));
}

void JoyGetButtons(Value* self, int32_t argc, int32_t) {
  if (argc >= 2) ValueSetInt(*self, Joysticks().Button(NInt(self, 2), NInt(self, 1)));
}

void MouseMoveCursor(Value* self, int32_t argc, int32_t) {
  TScreen* screen = MainScreen();
  if (argc < 3 || !screen) return;
  // Picture coordinates: the pixel's place in the window (scaled, or after
  // the full-screen offset).
  int x = NInt(self, 2);
  int y = NInt(self, 3);
  screen->PictureToWindow(x, y);
  screen->Window().WarpPointer(x, y);
}

void MouseShowCursor(Value* self, int32_t argc, int32_t) {
  TScreen* screen = MainScreen();
  if (argc < 2 || !screen) return;
  screen->Window().ShowCursor(NTrue(self, 2));
}

void MouseRefreshXY(Value*, int32_t argc, int32_t) {
  TScreen* screen = MainScreen();
  if (argc < 1 || !screen) return;
  int gx = 0;
  int gy = 0;
  screen->Window().GlobalPointer(gx, gy);
  int x = gx;
  int y = gy;
  if (screen->Fullscreen()) {
    x -= screen->OffsetX();
    y -= screen->OffsetY();
  } else {
    int wx = 0;
    int wy = 0;
    screen->Window().Position(wx, wy);
    x -= wx;
    y -= wy + screen->Window().TopInset();
    screen->WindowToPicture(x, y);
  }
  SetGlobalInt("$mouseX", x);
  SetGlobalInt("$mouseY", y);
}

}  // namespace screen_natives

}  // namespace ruvel
