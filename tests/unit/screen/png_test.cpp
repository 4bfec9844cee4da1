// Screenshots: the PNG writer and the whole-window screenshot, read back
// with libpng.
#include <png.h>

#include <cstdio>
#include <filesystem>

#include "platform/screenshot.h"
#include "screen_fixture.h"

namespace ruvel::test {
namespace {

// Reads an RGB or RGBA PNG into 0xBBGGRR pixels.
bool ReadPng(const std::string& path, int& w, int& h, std::vector<uint32_t>& bgr) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> buf(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buf.data(), 0, nullptr)) return false;
  w = int(image.width);
  h = int(image.height);
  bgr.resize(size_t(w) * h);
  for (size_t i = 0; i < bgr.size(); ++i) bgr[i] = buf[3 * i] | (buf[3 * i + 1] << 8) | (buf[3 * i + 2] << 16);
  return true;
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("ruvel_screen_" + std::to_string(::getpid()) + name)).string();
}

TEST(Png, WritesPixelsThatReadBack) {
  std::string path = TempPath("_a.png");
  std::vector<uint32_t> argb = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456, 0xFFFFFFFF, 0xFF000000};
  std::string error;
  ASSERT_TRUE(WritePng(path, 3, 2, argb, error)) << error;
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  ASSERT_TRUE(ReadPng(path, w, h, px));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  EXPECT_EQ(px, (std::vector<uint32_t>{0x0000FF, 0x00FF00, 0xFF0000, 0x563412, 0xFFFFFF, 0x000000}));
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  std::filesystem::remove(path);
  EXPECT_FALSE(WritePng("/nonexistent-dir/x.png", 3, 2, argb, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WritePng(path, 4, 4, argb, error)) << "too few pixels";
}

using Screenshot = ScreenTest;

TEST_F(Screenshot, HoldsTheLastPresentedFrameWithTheStatusBar) {
  auto* r = Add<TRectSprite>(10, 10);
  r->x2 = 20;
  r->y2 = 20;
  r->color = kRed;
  screen->DrawAll();
  std::string path = TempPath("_b.png");
  std::string error;
  ASSERT_TRUE(screen->Screenshot(path, error)) << error;
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  ASSERT_TRUE(ReadPng(path, w, h, px));
  std::filesystem::remove(path);
  ASSERT_EQ(w, 560);
  ASSERT_EQ(h, 400);
  EXPECT_EQ(px[15 * 560 + 15], kRed);
  EXPECT_EQ(px[5 * 560 + 5], kBackground);
  EXPECT_EQ(px[395 * 560 + 300], 0xF0F0F0u) << "status bar face";
}

}  // namespace
}  // namespace ruvel::test
