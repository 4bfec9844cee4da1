// SDL's joystick source read through a virtual joystick that SDL itself
// provides, so the real device path (open, axes, buttons, unplugging) runs.
#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/joystick.h"

namespace {

class SdlJoystick : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 3, 6, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    handle = SDL_JoystickOpen(index);
    ASSERT_NE(handle, nullptr) << SDL_GetError();
  }
  void TearDown() override {
    source.CloseAll();
    if (handle) SDL_JoystickClose(handle);
    SDL_JoystickDetachVirtual(index);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }

  ruvel::TSdlJoystickSource source;
  int index = -1;
  SDL_Joystick* handle = nullptr;
};

TEST_F(SdlJoystick, AxesAreScaledAndButtonsBecomeBits) {
  SDL_JoystickSetVirtualAxis(handle, 0, -32768);
  SDL_JoystickSetVirtualAxis(handle, 1, 32767);
  SDL_JoystickSetVirtualAxis(handle, 2, 0);
  SDL_JoystickSetVirtualButton(handle, 0, 1);
  SDL_JoystickSetVirtualButton(handle, 5, 1);
  ruvel::TJoyReading r;
  ASSERT_TRUE(source.Read(0, r));
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 65535);
  EXPECT_EQ(r.z, 32768);
  EXPECT_EQ(r.buttons, (1u << 0) | (1u << 5));

  SDL_JoystickSetVirtualButton(handle, 0, 0);
  ASSERT_TRUE(source.Read(0, r));
  EXPECT_EQ(r.buttons, 1u << 5);
  // There is no second joystick.
  EXPECT_FALSE(source.Read(1, r));
}

TEST_F(SdlJoystick, AnUnpluggedJoystickCannotBeRead) {
  ruvel::TJoyReading r;
  ASSERT_TRUE(source.Read(0, r));
  SDL_JoystickClose(handle);
  handle = nullptr;
  ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
  EXPECT_FALSE(source.Read(0, r));
}

}  // namespace

namespace {

// A device SDL knows as a game controller reads by its mapping: the left
// stick overruled by the d-pad, buttons A, B, X, Y, back, start, shoulders
// and stick presses as bits 0..9; with pad keys on it presses keys.
class SdlController : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                      SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    ASSERT_TRUE(SDL_IsGameController(index));
    pad = SDL_GameControllerOpen(index);
    ASSERT_NE(pad, nullptr) << SDL_GetError();
    js = SDL_GameControllerGetJoystick(pad);
  }
  void TearDown() override {
    ruvel::SetPadKeys(false);
    ruvel::CloseJoysticks();
    source.CloseAll();
    if (pad) SDL_GameControllerClose(pad);
    SDL_JoystickDetachVirtual(index);
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  }
  // Presses the pad's button as the mapping of the virtual pad lays it out.
  void Press(SDL_GameControllerButton b, bool down) {
    SDL_GameControllerButtonBind bind = SDL_GameControllerGetBindForButton(pad, b);
    ASSERT_EQ(bind.bindType, SDL_CONTROLLER_BINDTYPE_BUTTON);
    SDL_JoystickSetVirtualButton(js, bind.value.button, down);
  }

  ruvel::TSdlJoystickSource source;
  int index = -1;
  SDL_GameController* pad = nullptr;
  SDL_Joystick* js = nullptr;
};

TEST_F(SdlController, StickDpadAndButtonsInTheirOrder) {
  SDL_JoystickSetVirtualAxis(js, 0, 16384);  // left stick x
  ruvel::TJoyReading r;
  ASSERT_TRUE(source.Read(0, r));
  EXPECT_EQ(r.x, 16384 + 32768);
  EXPECT_EQ(r.y, 32768);
  Press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
  Press(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
  Press(SDL_CONTROLLER_BUTTON_A, true);
  Press(SDL_CONTROLLER_BUTTON_START, true);
  Press(SDL_CONTROLLER_BUTTON_RIGHTSTICK, true);
  ASSERT_TRUE(source.Read(0, r));
  EXPECT_EQ(r.x, 0) << "the d-pad overrules the stick";
  EXPECT_EQ(r.y, 65535);
  EXPECT_EQ(r.buttons, (1u << 0) | (1u << 5) | (1u << 9));
}

TEST_F(SdlController, PadKeysPressArrowsZXAndReturn) {
  Press(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
  Press(SDL_CONTROLLER_BUTTON_B, true);
  EXPECT_FALSE(ruvel::PadKeyDown(0x27)) << "off unless the project asks";
  ruvel::SetPadKeys(true);
  EXPECT_TRUE(ruvel::PadKeyDown(0x27));
  EXPECT_TRUE(ruvel::PadKeyDown('X'));
  EXPECT_FALSE(ruvel::PadKeyDown('Z'));
  EXPECT_FALSE(ruvel::PadKeyDown(0x25));
  Press(SDL_CONTROLLER_BUTTON_B, false);
  EXPECT_FALSE(ruvel::PadKeyDown('X'));
}

}  // namespace
