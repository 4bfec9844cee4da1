// drawPatternEx through the kernel: the angle is in degrees, as docs/kernel.md
// says. A pattern stretched into a long horizontal strip and turned by 90
// must stand upright; turned by 360 it lies flat again.
#include <algorithm>

#include "integration/integration_fixture.h"
#include "test_paths.h"

namespace {

using namespace it;

constexpr int kStatusBarRows = 30;

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  int Width() const { return right - left + 1; }
  int Height() const { return bottom - top + 1; }
};

// The bounding box of the pixels that differ from the top-left corner,
// above the status bar at the bottom of the picture.
Box Ink(const ruvel::TPixelImage& img) {
  Box b;
  uint32_t bg = img.At(0, 0) & 0xffffff;
  for (int y = 0; y < img.height - kStatusBarRows; ++y) {
    for (int x = 0; x < img.width; ++x) {
      if ((img.At(x, y) & 0xffffff) == bg) continue;
      b.left = std::min(b.left, x), b.right = std::max(b.right, x);
      b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
    }
  }
  return b;
}

class PatternAngleTest : public IntegrationTest {
 protected:
  // Draws the demo sheet's first pattern stretched 12 times across, at the
  // centre of the picture, turned by angle.
  Box Shot(int angle) {
    fs::copy_file(fs::path(ruvel_test::TestSourceDir()) / "Usr/images/sprites.bmp", dir / "sprites.bmp",
                  fs::copy_options::overwrite_existing);
    Write(dir / "page.cmml",
          "<resourcelist name=\"usr\">\n"
          " <resourcelist name=\"patterns\">\n  <cpattern name=\"$pat\" src=\"sprites.bmp\">\n </resourcelist>\n"
          " <resourcelist name=\"classes\">\n  <class name=\"Strip\" src=\"Strip.ruvel\">\n </resourcelist>\n"
          " <resourcelist name=\"gen\">\n"
          "  <generator className=\"Strip\" name=\"$strip\" inst_x=\"280\" inst_y=\"200\">\n"
          " </resourcelist>\n"
          "</resourcelist>\n");
    Write(dir / "Strip.ruvel", "extends classes.game.Char;\nfunction draw() {\n  drawPatternEx(x, y, $pat, 0, 0, " +
                                   std::to_string(angle) + ", 255, 12, 1);\n}\n");
    fs::path png = dir / ("angle" + std::to_string(angle) + ".png");
    RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --frames 3 --screenshot " +
                           png.string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "");
    return Ink(Screenshot(png));
  }
};

TEST_F(PatternAngleTest, AnglesAreDegrees) {
  Box flat = Shot(0);
  ASSERT_GT(flat.Width(), 3 * flat.Height()) << "the stretched pattern is not a horizontal strip";
  // A quarter turn swaps the strip's sides (a 1/256-turn reading would
  // leave it leaning at about 127 degrees, its box nearly as wide as tall).
  Box upright = Shot(90);
  EXPECT_GT(upright.Height(), 3 * upright.Width());
  EXPECT_NEAR(upright.Height(), flat.Width(), flat.Width() / 10);
  // A full turn is 360, and -90 is the same quarter turn as 270.
  Box full = Shot(360);
  EXPECT_NEAR(full.Width(), flat.Width(), 2);
  EXPECT_NEAR(full.Height(), flat.Height(), 2);
  Box back = Shot(-90);
  EXPECT_NEAR(back.Width(), upright.Width(), 2);
  EXPECT_NEAR(back.Height(), upright.Height(), 2);
}

}  // namespace
