// SDL loaded at its first call: the call that loads it must reach SDL with
// every argument as the caller passed it.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/sdl_library.h"

namespace {

TEST(SdlLibraryTest, TheFirstCallLoadsSdlAndKeepsItsArguments) {
  // A death test in the "threadsafe" style runs in a new process, where no
  // SDL function has been called yet.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        if (ruvel::SdlLoaded()) _exit(2);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 37, 21, 32, SDL_PIXELFORMAT_ABGR8888);
        const bool kept = s && s->w == 37 && s->h == 21 && s->format->format == SDL_PIXELFORMAT_ABGR8888;
        _exit(kept && ruvel::SdlLoaded() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(SdlLibraryTest, CallsAfterLoadingGoStraightToSdl) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 5, 4, 32, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(s, nullptr) << SDL_GetError();
  EXPECT_TRUE(ruvel::SdlLoaded());
  // Five arguments in registers, a 32-bit result.
  EXPECT_EQ(SDL_MapRGB(s->format, 0x12, 0x34, 0x56), 0xFF123456u);
  SDL_FreeSurface(s);
}

}  // namespace
