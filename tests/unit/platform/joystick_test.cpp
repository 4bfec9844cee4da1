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
