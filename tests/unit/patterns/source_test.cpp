// Sprites' view of the patterns: FindPattern through the installed source
// with a software renderer, the texture's transparency when drawn, and
// textures made again for another renderer.
#include "screen/patterns.h"
#include "sheet_helpers.h"

namespace ruvel::test {
namespace {

// A software renderer drawing into a surface; no window or video driver.
struct SoftRenderer {
  SoftRenderer(int w, int h) {
    surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
  }
  ~SoftRenderer() {
    if (renderer) SDL_DestroyRenderer(renderer);
    if (surface) SDL_FreeSurface(surface);
  }
  SoftRenderer(const SoftRenderer&) = delete;
  SoftRenderer& operator=(const SoftRenderer&) = delete;
  uint32_t Pixel(int x, int y) const {
    return static_cast<const uint32_t*>(surface->pixels)[size_t(y) * (surface->pitch / 4) + x] & 0xFFFFFF;
  }
  SDL_Surface* surface = nullptr;
  SDL_Renderer* renderer = nullptr;
};

class PatternSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPatterns();
    ResetPatterns();
    previousSource_ = SetPatternSource(&source_);
    ASSERT_NE(soft.renderer, nullptr) << SDL_GetError();
    previousRenderer_ = SetPatternRenderer(soft.renderer);
  }
  void TearDown() override {
    ResetPatterns();
    SetPatternRenderer(previousRenderer_);
    SetPatternSource(previousSource_);
  }

  // Sheet: white, a magenta-keyed 6 x 4 pattern whose left half is the key
  // colour and right half blue, then a black-keyed 3 x 3 red pattern.
  void LoadSheet() {
    TPixelImage img = Sheet(20, 10);
    Frame(img, 1, 1, 8, 6, kMagenta);
    Fill(img, 2, 2, 3, 4, kMagenta);
    Fill(img, 5, 2, 3, 4, 0x0000FF);
    Frame(img, 11, 1, 5, 5, kBlack);
    Fill(img, 12, 2, 3, 3, 0xFF0000);
    ASSERT_TRUE(WriteBmpFile(dir / "s.bmp", img));
    std::string error;
    auto sheet = PatternCache().Cut(dir / "s.bmp", error);
    ASSERT_NE(sheet, nullptr) << error;
    PatternList().Append(std::make_shared<TPatRects>());  // an empty sheet first
    PatternList().Append(sheet);
  }

  TempDir dir;
  SoftRenderer soft{40, 20};
  TSheetPatternSource source_;

 private:
  TPatternSource* previousSource_ = nullptr;
  SDL_Renderer* previousRenderer_ = nullptr;
};

TEST_F(PatternSourceTest, FindPatternGivesTheSheetTextureAndRectangle) {
  LoadSheet();
  TPatternView v;
  ASSERT_TRUE(FindPattern(0, v));
  EXPECT_NE(v.texture, nullptr);
  EXPECT_EQ(v.imageWidth, 20);
  EXPECT_EQ(v.imageHeight, 10);
  EXPECT_EQ(v.rect, (TRect{2, 2, 8, 6}));
  TPatternView second;
  ASSERT_TRUE(FindPattern(1, second));
  EXPECT_EQ(second.rect, (TRect{12, 2, 15, 5}));
  EXPECT_EQ(second.texture, v.texture) << "one texture per sheet";
  EXPECT_FALSE(FindPattern(2, v));
  EXPECT_FALSE(FindPattern(-1, v));
}

TEST_F(PatternSourceTest, KeyColourPixelsAreTransparentWhenDrawn) {
  LoadSheet();
  TPatternView v;
  ASSERT_TRUE(FindPattern(0, v));
  SDL_SetRenderDrawColor(soft.renderer, 0, 255, 0, 255);
  SDL_RenderClear(soft.renderer);
  SDL_Rect src{v.rect.left, v.rect.top, v.rect.Width(), v.rect.Height()};
  SDL_Rect dst{10, 10, v.rect.Width(), v.rect.Height()};
  SDL_RenderCopy(soft.renderer, v.texture, &src, &dst);
  ASSERT_TRUE(FindPattern(1, v));
  SDL_Rect src2{v.rect.left, v.rect.top, v.rect.Width(), v.rect.Height()};
  SDL_Rect dst2{30, 10, v.rect.Width(), v.rect.Height()};
  SDL_RenderCopy(soft.renderer, v.texture, &src2, &dst2);
  SDL_RenderPresent(soft.renderer);
  EXPECT_EQ(soft.Pixel(10, 10), 0x00FF00u) << "the key-coloured half lets the background through";
  EXPECT_EQ(soft.Pixel(12, 13), 0x00FF00u);
  EXPECT_EQ(soft.Pixel(13, 10), 0x0000FFu);
  EXPECT_EQ(soft.Pixel(15, 13), 0x0000FFu);
  EXPECT_EQ(soft.Pixel(31, 11), 0xFF0000u);
  EXPECT_EQ(soft.Pixel(16, 10), 0x00FF00u) << "nothing outside the pattern";
}

TEST_F(PatternSourceTest, AnotherRendererGetsItsOwnTexture) {
  LoadSheet();
  TPatternView first;
  ASSERT_TRUE(FindPattern(0, first));
  {
    SoftRenderer other(8, 8);
    SetPatternRenderer(other.renderer);
    TPatternView v;
    ASSERT_TRUE(FindPattern(0, v));
    EXPECT_NE(v.texture, nullptr);
    EXPECT_EQ(v.rect, first.rect);
    ReleasePatternTextures();  // before the renderer goes
  }
  SetPatternRenderer(soft.renderer);
  TPatternView again;
  ASSERT_TRUE(FindPattern(0, again));
  EXPECT_NE(again.texture, nullptr);

  // Without any renderer a pattern has a size but nothing to draw with.
  SetPatternRenderer(nullptr);
  TPatRects* sheet = nullptr;
  int32_t index = -1;
  EXPECT_TRUE(LookupPattern(0, sheet, index));
  EXPECT_EQ(sheet->Texture(PatternRenderer()), nullptr);
  int32_t w = 0, h = 0;
  EXPECT_TRUE(PatternSize(1, w, h));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 3);
}

}  // namespace
}  // namespace ruvel::test
