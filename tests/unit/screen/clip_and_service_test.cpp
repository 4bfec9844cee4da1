// Drawing far outside the picture costs nothing (a line to +-2^31 was
// stepped through pixel by pixel, 540 MB a frame), and the window's events
// while a script runs long.
#include <SDL.h>

#include <chrono>
#include <stdexcept>

#include "screen/copy_clip.h"
#include "screen_fixture.h"
#include "shell/long_run_service.h"
#include "vm/long_run.h"

namespace ruvel::test {
namespace {

using Clipping = ScreenTest;

TEST(ClipLine, KeepsThePartOverTheArea) {
  const TRect area{0, 0, 100, 50};
  int64_t x0 = -2147483648LL, y0 = 10, x1 = 2147483647LL, y1 = 10;
  ASSERT_TRUE(ClipLine(x0, y0, x1, y1, area));
  EXPECT_EQ(x0, 0);
  EXPECT_EQ(x1, 99);
  EXPECT_EQ(y0, 10);
  EXPECT_EQ(y1, 10);
  // A diagonal through the corner keeps its slope.
  x0 = -100, y0 = -100, x1 = 200, y1 = 200;
  ASSERT_TRUE(ClipLine(x0, y0, x1, y1, area));
  EXPECT_EQ(x0, 0);
  EXPECT_EQ(y0, 0);
  EXPECT_EQ(x1, 49);
  EXPECT_EQ(y1, 49);
  // Inside: unchanged. Outside, or along an edge just off it: nothing.
  x0 = 5, y0 = 6, x1 = 7, y1 = 8;
  ASSERT_TRUE(ClipLine(x0, y0, x1, y1, area));
  EXPECT_EQ(x0 * 1000 + y0 * 100 + x1 * 10 + y1, 5678);
  x0 = -5, y0 = 60, x1 = 300, y1 = 60;
  EXPECT_FALSE(ClipLine(x0, y0, x1, y1, area));
  x0 = 100, y0 = -1000000, x1 = 100, y1 = 1000000;
  EXPECT_FALSE(ClipLine(x0, y0, x1, y1, area));
  x0 = 200, y0 = 0, x1 = 0, y1 = -200;
  EXPECT_FALSE(ClipLine(x0, y0, x1, y1, area));
  EXPECT_FALSE(ClipLine(x0, y0, x1, y1, TRect{}));
}

TEST_F(Clipping, LinesToTheEndsOfTheIntegerRangeDrawOnlyWhatShows) {
  auto* across = Add<TLineSprite>(-2147483647 - 1, 20);
  across->x2 = 2147483647;
  across->y2 = 20;
  across->color = kWhite;
  auto* down = Add<TLineSprite>(30, 2147483647);
  down->x2 = 30;
  down->y2 = -2147483647 - 1;
  down->color = kRed;
  auto* diagonal = Add<TLineSprite>(0, 0);
  diagonal->x2 = 2147483647;
  diagonal->y2 = 2047483647;
  diagonal->color = kGreen;
  auto* off = Add<TLineSprite>(-2147483647, -5);
  off->x2 = 2147483647;
  off->y2 = -5;
  off->color = kRed;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 10; ++i) screen->DrawAll();
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(ms, 2000.0);
  EXPECT_EQ(Pixel(0, 20), kWhite);
  EXPECT_EQ(Pixel(200, 20), kWhite);
  EXPECT_EQ(Pixel(30, 0), kRed);
  EXPECT_EQ(Pixel(30, 100), kRed);
  EXPECT_EQ(Pixel(31, 100), kBackground);
  EXPECT_EQ(Pixel(10, 10), kGreen);
  // Rectangles far outside are cut to the picture as before.
  auto* huge = Add<TRectSprite>(-2147483647, -2147483647);
  huge->x2 = 2147483647;
  huge->y2 = 2147483647;
  huge->color = kGreen;
  huge->depth = 100;
  screen->DrawAll();
  EXPECT_EQ(Pixel(5, 5), kGreen);
}

TEST(ClipCopyEx, KeepsWhatShowsAndDropsTheRest) {
  const TRect area{0, 0, 640, 480};
  TCopyEx c;
  // Wholly inside: unchanged, turned about its own centre.
  ASSERT_TRUE(ClipCopyEx(SDL_Rect{16, 0, 16, 16}, SDL_FRect{100, 100, 32, 32}, 30.0, 0, area, c));
  EXPECT_EQ(c.src.x, 16);
  EXPECT_EQ(c.src.w, 16);
  EXPECT_FLOAT_EQ(c.dst.x, 100.0f);
  EXPECT_FLOAT_EQ(c.dst.w, 32.0f);
  EXPECT_FLOAT_EQ(c.center.x, 16.0f);
  // Wholly outside, turned or not: nothing.
  EXPECT_FALSE(ClipCopyEx(SDL_Rect{0, 0, 16, 16}, SDL_FRect{-500, -500, 32, 32}, 45.0, 0, area, c));
  EXPECT_FALSE(ClipCopyEx(SDL_Rect{0, 0, 16, 16}, SDL_FRect{700, 10, 32, 32}, 0.0, SDL_FLIP_HORIZONTAL, area, c));
  // Scaled 60 times: only the source pixels over the area are kept, and
  // the turning centre stays where it was.
  ASSERT_TRUE(ClipCopyEx(SDL_Rect{0, 0, 64, 64}, SDL_FRect{100 - 1920, 100 - 1920, 3840, 3840}, 10.0, 0, area, c));
  EXPECT_LE(c.src.w, 16);
  EXPECT_LE(c.src.h, 16);
  EXPECT_LT(c.dst.w, 1000.0f);
  EXPECT_FLOAT_EQ(c.dst.x + c.center.x, 100.0f);
  EXPECT_FLOAT_EQ(c.dst.y + c.center.y, 100.0f);
  // A flipped copy keeps the mirrored part: only the right end of the
  // destination shows, and flipped that is the left end of the source
  // (source pixels 3.6 to 10, one more on each side).
  ASSERT_TRUE(ClipCopyEx(SDL_Rect{0, 0, 100, 10}, SDL_FRect{-9000, 0, 10000, 1000}, 0.0, SDL_FLIP_HORIZONTAL, area, c));
  EXPECT_EQ(c.src.x, 2);
  EXPECT_EQ(c.src.x + c.src.w, 11);
  EXPECT_FLOAT_EQ(c.dst.x, -9000.0f + (100 - 11) * 100.0f);
  // One source pixel magnified far past the picture is not drawn at all.
  EXPECT_FALSE(ClipCopyEx(SDL_Rect{0, 0, 1, 1}, SDL_FRect{-1e6f, -1e6f, 2e6f, 2e6f}, 5.0, 0, area, c));
}

TEST_F(Clipping, ACutTurnedCopyDrawsTheSamePixelsAsAWholeOne) {
  // Pattern 2: left half red, right half blue; half of it off the left.
  auto* plain = Add<TGrpSprite>(0, 40);
  plain->pattern = 2;
  auto* dx = Add<TDxGrpSprite>(0, 80);
  dx->pattern = 2;
  screen->DrawAll();
  for (int x = 0; x < 10; ++x) EXPECT_EQ(Pixel(x, 80), Pixel(x, 40)) << x;
  EXPECT_EQ(Pixel(0, 80), kBlue);
  // Scaled 100 times and turned a little: drawn at once, filling the
  // picture. Scaled 2000 times (each pixel larger than the picture) it
  // is not drawn; either way no gigabytes are asked for.
  auto* big = Add<TDxGrpSprite>(100, 100);
  big->pattern = 1;
  big->scaleX = big->scaleY = 100.0;
  big->angle = 10;
  big->depth = -1;
  auto* huge = Add<TDxGrpSprite>(100, 100);
  huge->pattern = 0;
  huge->scaleX = huge->scaleY = 2000.0;
  huge->angle = 10;
  huge->depth = -2;
  auto start = std::chrono::steady_clock::now();
  screen->DrawAll();
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(ms, 2000.0);
  EXPECT_EQ(Pixel(300, 200), kGreen);
  EXPECT_EQ(Pixel(20, 300), kGreen);
}

// While a script runs long only quit and window events are taken: closing
// the window ends the program, keys stay queued for the frame loop.
TEST_F(Clipping, TheWindowCanBeClosedWhileAScriptRunsLong) {
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  int exitCode = -1;
  LongRunWatch().exit = [&](int code) { exitCode = code; };
  SDL_Event key{};
  key.type = SDL_KEYDOWN;
  key.key.keysym.scancode = SDL_SCANCODE_A;
  SDL_PushEvent(&key);
  SDL_Event expose{};
  expose.type = SDL_WINDOWEVENT;
  expose.window.windowID = window->Id();
  expose.window.event = SDL_WINDOWEVENT_EXPOSED;
  SDL_PushEvent(&expose);
  long presents = screen->presentCount;
  ServiceWindowDuringLongRun(*screen, window->Id());
  EXPECT_EQ(exitCode, -1);
  EXPECT_EQ(screen->presentCount, presents + 1);
  SDL_Event close = expose;
  close.window.event = SDL_WINDOWEVENT_CLOSE;
  SDL_PushEvent(&close);
  ServiceWindowDuringLongRun(*screen, window->Id());
  EXPECT_EQ(exitCode, 0);
  SDL_Event left{};
  EXPECT_EQ(SDL_PeepEvents(&left, 1, SDL_GETEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 1);
  EXPECT_EQ(left.key.keysym.scancode, SDL_SCANCODE_A);
  // The hook is installed for a window, not for a headless run.
  InstallLongRunService(*screen, window->Id(), true);
  EXPECT_FALSE(LongRunWatch().service);
  InstallLongRunService(*screen, window->Id(), false);
  EXPECT_TRUE(LongRunWatch().service);
  LongRunWatch().service = nullptr;
  LongRunWatch().exit = nullptr;
}

}  // namespace
}  // namespace ruvel::test
