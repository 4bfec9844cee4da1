// getkey hold counters with a fake key source, and the joystick
// calibration with a fake joystick.
#include <gtest/gtest.h>

#include <map>

#include "platform/joystick.h"
#include "platform/keys.h"
#include "screen/host_state.h"
#include "screen/input.h"
#include "screen/screen_natives.h"
#include "screen_fixture.h"

namespace ruvel::test {
namespace {

using namespace screen_natives;

class FakeKeys : public TKeySource {
 public:
  bool IsDown(int vk) override {
    ++reads;
    return down.count(vk) && down[vk];
  }
  std::map<int, bool> down;
  int reads = 0;
};

class FakeJoystick : public TJoystickSource {
 public:
  bool Read(int n, TJoyReading& r) override {
    lastNumber = n;
    if (!ok) return false;
    r = reading;
    return true;
  }
  TJoyReading reading;
  bool ok = true;
  int lastNumber = -1;
};

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    previousKeys = SetKeySource(&keys);
    previousJoy = SetJoystickSource(&joy);
    Keyboard().Reset();
    Joysticks().Reset();
    HostState() = THostState();
  }
  void TearDown() override {
    SetKeySource(previousKeys);
    SetJoystickSource(previousJoy);
    HostState() = THostState();
  }
  int32_t GetKey(Value code) { return ValueToInt(CallNative(GetKey_, MakeNull(), {code})); }
  void NewFrame() { CallNative(GetKey_, MakeNull(), {}); }
  static constexpr NativeHandler GetKey_ = screen_natives::GetKey;

  FakeKeys keys;
  FakeJoystick joy;
  TKeySource* previousKeys = nullptr;
  TJoystickSource* previousJoy = nullptr;
};

TEST_F(Input, HeldKeyCountsOncePerFrame) {
  keys.down[0x41] = true;
  std::vector<int32_t> seen;
  for (int frame = 0; frame < 3; ++frame) {
    NewFrame();
    seen.push_back(GetKey(MakeInt(0x41)));
    seen.push_back(GetKey(MakeInt(0x41)));
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 1, 2, 2, 3, 3}));
  keys.down[0x41] = false;
  NewFrame();
  EXPECT_EQ(GetKey(MakeInt(0x41)), 0);
  keys.down[0x41] = true;
  NewFrame();
  EXPECT_EQ(GetKey(MakeInt(0x41)), 1) << "a new press starts again at 1";
}

TEST_F(Input, CodesOutsideTheTableReadKeyZeroAndFloatsTruncate) {
  keys.down[0] = true;
  keys.down[0x20] = true;
  EXPECT_EQ(GetKey(MakeInt(300)), 1);
  EXPECT_EQ(GetKey(MakeInt(-5)), 1) << "same key 0, already polled this frame";
  EXPECT_EQ(GetKey(MakeFloat(32.9f)), 1);
  EXPECT_EQ(GetKey(MakeFloat(-0.5f)), 1) << "truncates to 0";
}

TEST_F(Input, DesignModePollsOnEveryCall) {
  HostState().designMode = true;
  keys.down[0x26] = true;
  EXPECT_EQ(GetKey(MakeInt(0x26)), 1);
  EXPECT_EQ(GetKey(MakeInt(0x26)), 2);
  EXPECT_EQ(GetKey(MakeInt(0x26)), 3);
}

TEST_F(Input, InactiveWindowDisablesKeysUnlessTheProjectSaysZero) {
  keys.down[0x0D] = true;
  HostState().appActive = false;
  EXPECT_EQ(GetKey(MakeInt(0x0D)), 0);
  EXPECT_EQ(keys.reads, 0);
  std::string param = "0";
  HostState().projectParam = [&](const std::string& name) {
    return name == "deactivation_disablekey" ? param : std::string();
  };
  EXPECT_EQ(GetKey(MakeInt(0x0D)), 1);
  param = "1";
  NewFrame();
  EXPECT_EQ(GetKey(MakeInt(0x0D)), 0);
}

TEST_F(Input, VirtualKeyTableCoversTheCommonKeys) {
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_A), 0x41);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_Z), 0x5A);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_0), 0x30);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_LEFT), 0x25);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_DOWN), 0x28);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_SPACE), 0x20);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_RETURN), 0x0D);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_ESCAPE), 0x1B);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_RSHIFT), 0x10);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_LCTRL), 0x11);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_F12), 0x7B);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_KP_5), 0x65);
  EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_KP_ENTER), 0x0D);
}

TEST_F(Input, JoystickThresholdsFollowTheCalibration) {
  joy.reading.x = 26249;
  joy.reading.y = 32500;
  EXPECT_EQ(ValueToInt(CallNative(JoyLeft, MakeNull(), {MakeInt(0)})), 1);
  EXPECT_EQ(ValueToInt(CallNative(JoyLeft, MakeNull(), {MakeInt(2)})), 2) << "joystick 2 is joystick 0";
  EXPECT_EQ(joy.lastNumber, 0);
  EXPECT_EQ(ValueToInt(CallNative(JoyRight, MakeNull(), {MakeInt(0)})), 0);
  joy.reading.x = 26250;
  EXPECT_EQ(ValueToInt(CallNative(JoyLeft, MakeNull(), {MakeInt(0)})), 0);
  joy.reading.x = 38751;
  EXPECT_EQ(ValueToInt(CallNative(JoyRight, MakeNull(), {MakeInt(0)})), 1);
  EXPECT_EQ(ValueToInt(CallNative(JoyGetX, MakeNull(), {MakeInt(0)})), 38751);
  // A stick that reaches both ends widens the bounds.
  joy.reading.x = 0;
  joy.reading.y = 65535;
  CallNative(JoyGetX, MakeNull(), {MakeInt(0)});
  joy.reading.x = 65535;
  joy.reading.y = 0;
  CallNative(JoyGetX, MakeNull(), {MakeInt(0)});
  joy.reading.x = 16382;
  joy.reading.y = 49152;
  EXPECT_EQ(ValueToInt(CallNative(JoyLeft, MakeNull(), {MakeInt(1)})), 1);
  EXPECT_EQ(ValueToInt(CallNative(JoyDown, MakeNull(), {MakeInt(1)})), 1);
  joy.reading.x = 16383;
  joy.reading.y = 49151;
  EXPECT_EQ(ValueToInt(CallNative(JoyLeft, MakeNull(), {MakeInt(1)})), 0);
  EXPECT_EQ(ValueToInt(CallNative(JoyDown, MakeNull(), {MakeInt(1)})), 0);
  EXPECT_EQ(ValueToInt(CallNative(JoyGetY, MakeNull(), {MakeInt(1)})), 49151);
}

TEST_F(Input, FailedReadsKeepTheLastDirectionAndCountersAdvancePerCall) {
  joy.reading.x = 0;
  joy.reading.y = 32500;
  EXPECT_EQ(ValueToInt(CallNative(JoyLeft, MakeNull(), {MakeInt(0)})), 1);
  joy.ok = false;
  joy.reading.x = 32500;
  EXPECT_EQ(ValueToInt(CallNative(JoyLeft, MakeNull(), {MakeInt(0)})), 2);
  EXPECT_EQ(ValueToInt(CallNative(JoyLeft, MakeNull(), {MakeInt(0)})), 3);
  EXPECT_EQ(ValueToInt(CallNative(JoyGetX, MakeNull(), {MakeInt(0)})), 0);
  EXPECT_EQ(CallNative(JoyLeft, MakeNull(), {}).tag, kNull);
}

TEST_F(Input, ButtonNumbersWrapAt32) {
  joy.reading.buttons = 1u << 1;
  EXPECT_EQ(ValueToInt(CallNative(JoyGetButtons, MakeNull(), {MakeInt(33), MakeInt(0)})), 1);
  EXPECT_EQ(ValueToInt(CallNative(JoyGetButtons, MakeNull(), {MakeInt(1), MakeInt(0)})), 2);
  EXPECT_EQ(ValueToInt(CallNative(JoyGetButtons, MakeNull(), {MakeInt(0), MakeInt(0)})), 0);
  joy.reading.buttons = 0;
  EXPECT_EQ(ValueToInt(CallNative(JoyGetButtons, MakeNull(), {MakeInt(1), MakeInt(0)})), 0);
  EXPECT_EQ(CallNative(JoyGetButtons, MakeNull(), {MakeInt(1)}).tag, kNull);
}

}  // namespace
}  // namespace ruvel::test
