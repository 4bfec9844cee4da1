// Pixels of each sprite kind drawn by DrawAll into the headless back buffer.
#include "platform/cp932.h"
#include "platform/text_render.h"
#include "screen/screen_natives.h"
#include "screen_fixture.h"

namespace ruvel::test {
namespace {

using SpriteDraw = ScreenTest;

TEST_F(SpriteDraw, BackgroundFillsTheClientAreaUnlessHalted) {
  screen->DrawAll();
  EXPECT_EQ(Pixel(0, 0), kBackground);
  EXPECT_EQ(Pixel(559, 380), kBackground);
  SetGlobalInt("$bgcolor", int32_t(kGreen));
  HostState().halted = true;
  screen->DrawAll();
  EXPECT_EQ(Pixel(10, 10), kBackground) << "a halted screen keeps its old picture";
  HostState().halted = false;
  screen->DrawAll();
  EXPECT_EQ(Pixel(10, 10), kGreen);
}

TEST_F(SpriteDraw, PatternIsCentredOnItsPosition) {
  auto* s = Add<TGrpSprite>(100, 50);
  s->pattern = 0;
  screen->DrawAll();
  // 16 x 16 centred at (100, 50): columns 92..107, rows 42..57.
  EXPECT_EQ(Pixel(92, 42), kRed);
  EXPECT_EQ(Pixel(107, 57), kRed);
  EXPECT_EQ(Pixel(91, 50), kBackground);
  EXPECT_EQ(Pixel(108, 50), kBackground);
  EXPECT_EQ(Pixel(100, 41), kBackground);
  EXPECT_EQ(Pixel(100, 58), kBackground);
  TDrawTarget t = screen->Target();
  EXPECT_EQ(s->Bounds(t), (TRect{92, 42, 108, 58}));
}

TEST_F(SpriteDraw, UnknownPatternDrawsNothingAndHasAOnePixelBound) {
  auto* s = Add<TGrpSprite>(30, 30);
  s->pattern = 99;
  screen->DrawAll();
  EXPECT_EQ(Ink(TRect{0, 0, 100, 100}), 0);
  TDrawTarget t = screen->Target();
  EXPECT_EQ(s->Bounds(t), (TRect{30, 30, 31, 31}));
  SetPatternSource(nullptr);
  EXPECT_EQ(s->Bounds(t), (TRect{30, 30, 31, 31}));
}

TEST_F(SpriteDraw, TransparentPixelsOfAPatternShowTheBackground) {
  Add<TGrpSprite>(50, 50)->pattern = 4;
  screen->DrawAll();
  EXPECT_EQ(Pixel(50, 50), kWhite);
  EXPECT_EQ(Pixel(43, 43), kBackground);  // inside the pattern's border
  EXPECT_EQ(Ink(TRect{42, 42, 58, 58}), 64);
}

TEST_F(SpriteDraw, DeeperSpritesAreDrawnFirst) {
  // Recorded front first: the depth-5 sprite still ends up behind.
  Add<TGrpSprite>(100, 100, 0)->pattern = 0;
  Add<TGrpSprite>(104, 100, 5)->pattern = 1;
  screen->DrawAll();
  EXPECT_EQ(Pixel(100, 100), kRed);
  EXPECT_EQ(Pixel(110, 100), kGreen);
  EXPECT_EQ(screen->Sprites().At(0)->depth, 5) << "the list keeps the drawing order";
}

TEST_F(SpriteDraw, MirroredPatternSwapsLeftAndRight) {
  Add<TGrpSprite>(100, 100)->pattern = 2;
  auto* m = Add<TGrpSprite>(200, 100);
  m->pattern = 2;
  m->mirrored = true;
  screen->DrawAll();
  EXPECT_EQ(Pixel(93, 100), kRed);
  EXPECT_EQ(Pixel(106, 100), kBlue);
  EXPECT_EQ(Pixel(193, 100), kBlue);
  EXPECT_EQ(Pixel(206, 100), kRed);
}

TEST_F(SpriteDraw, DxSpriteRotatesClockwiseAboutItsCentre) {
  auto* s = Add<TDxGrpSprite>(100, 100);
  s->pattern = 2;  // red left, blue right
  s->angle = 90;
  screen->DrawAll();
  // A quarter turn clockwise puts the left half on top.
  EXPECT_EQ(Pixel(100, 94), kRed);
  EXPECT_EQ(Pixel(100, 105), kBlue);
  EXPECT_EQ(Pixel(94, 100) == kRed || Pixel(94, 100) == kBlue, true);
  EXPECT_EQ(Ink(TRect{92, 92, 108, 108}), 256);
  EXPECT_EQ(Ink(TRect{80, 80, 120, 92}), 0);
}

TEST_F(SpriteDraw, DxSpriteScalesMirrorsAndBlends) {
  auto* big = Add<TDxGrpSprite>(100, 100);
  big->pattern = 0;
  big->scaleX = 2.0;
  big->scaleY = 0.5;
  screen->DrawAll();
  // 32 x 8 centred at (100, 100).
  EXPECT_EQ(Ink(TRect{84, 96, 116, 104}), 32 * 8);
  EXPECT_EQ(Ink(TRect{60, 80, 140, 120}), 32 * 8);

  screen->Sprites().Clear();
  auto* mirrored = Add<TDxGrpSprite>(200, 100);
  mirrored->pattern = 2;
  mirrored->mirrored = true;
  auto* half = Add<TDxGrpSprite>(300, 100);
  half->pattern = 1;
  half->alpha = 128;
  screen->DrawAll();
  EXPECT_EQ(Pixel(193, 100), kBlue);
  EXPECT_EQ(Pixel(206, 100), kRed);
  uint32_t blended = Pixel(300, 100);
  EXPECT_NE(blended, kGreen);
  EXPECT_NE(blended, kBackground);
  EXPECT_NEAR(int((blended >> 8) & 0xFF), (255 + 0x20) / 2, 3);
}

TEST_F(SpriteDraw, LineLeavesOutItsEndPointAndRectIsRightBottomExclusive) {
  auto* line = Add<TLineSprite>(10, 10);
  line->x2 = 20;
  line->y2 = 10;
  line->color = kWhite;
  auto* rect = Add<TRectSprite>(30, 30);
  rect->x2 = 40;
  rect->y2 = 35;
  rect->color = kRed;
  auto* empty = Add<TRectSprite>(60, 60);
  empty->x2 = 50;  // inverted: nothing
  empty->y2 = 70;
  empty->color = kRed;
  screen->DrawAll();
  EXPECT_EQ(Pixel(10, 10), kWhite);
  EXPECT_EQ(Pixel(19, 10), kWhite);
  EXPECT_EQ(Pixel(20, 10), kBackground);
  EXPECT_EQ(Ink(TRect{30, 30, 40, 35}), 50);
  EXPECT_EQ(Ink(TRect{25, 25, 45, 40}), 50);
  EXPECT_EQ(Ink(TRect{45, 55, 65, 75}), 0);
  TDrawTarget t = screen->Target();
  EXPECT_EQ(empty->Bounds(t), (TRect{50, 60, 60, 70}));
}

TEST_F(SpriteDraw, JapaneseTextInksInsideItsBounds) {
  auto* text = Add<TTxtSprite>(40, 40);
  text->text = Utf8ToCp932("日本語テキスト");
  text->color = kWhite;
  text->font.size = 16;
  screen->DrawAll();
  TDrawTarget t = screen->Target();
  TRect b = text->Bounds(t);
  EXPECT_EQ(b.left, 40);
  EXPECT_EQ(b.top, 40);
  EXPECT_GT(b.Width(), 7 * 16);  // seven full-width characters at 16 points
  EXPECT_GT(b.Height(), 16);
  int inside = Ink(b);
  EXPECT_GT(inside, 200);
  EXPECT_EQ(Ink(TRect{0, 0, 560, 381}), inside) << "no ink outside the bounds";
  // Every character is drawn: the right half of the text has ink too.
  EXPECT_GT(Ink(TRect{b.left + b.Width() / 2, b.top, b.right, b.bottom}), 50);
}

TEST_F(SpriteDraw, TextStylesAndMissingFontsStillDraw) {
  TFontSpec plain;
  plain.size = 20;
  TFontSpec bold = plain;
  bold.bold = true;
  bold.name = Utf8ToCp932("存在しないフォント");
  int pw, ph, bw, bh;
  ASSERT_TRUE(screen->Text().Measure("Ruvel", plain, pw, ph));
  ASSERT_TRUE(screen->Text().Measure("Ruvel", bold, bw, bh));
  auto* p = Add<TTxtSprite>(10, 100);
  p->text = "Ruvel";
  p->font = plain;
  auto* b = Add<TTxtSprite>(10, 200);
  b->text = "Ruvel";
  b->font = bold;
  auto* u = Add<TTxtSprite>(200, 100);
  u->text = "Ruvel";
  u->font = plain;
  u->font.underline = true;
  screen->DrawAll();
  TDrawTarget target = screen->Target();
  TRect ub = u->Bounds(target);
  int plainInk = Ink(RectXYWH(10, 100, pw, ph));
  EXPECT_GT(plainInk, 50);
  EXPECT_GT(Ink(RectXYWH(10, 200, bw, bh)), plainInk) << "bold strokes are heavier";
  EXPECT_GT(Ink(ub), plainInk) << "the underline adds ink";
  EXPECT_EQ(Ink(TRect{ub.left, ub.top, ub.right + 20, ub.bottom + 20}), Ink(ub)) << "and lies inside the bounds";
}

TEST_F(SpriteDraw, TextTexturesAreCachedAcrossFrames) {
  for (int frame = 0; frame < 3; ++frame) {
    screen->Sprites().Clear();
    for (int i = 0; i < 5; ++i) Add<TTxtSprite>(0, i * 20)->text = "line" + std::to_string(i);
    screen->DrawAll();
  }
  EXPECT_EQ(screen->Text().CachedCount(), 5u);
}

TEST_F(SpriteDraw, MapSpriteDrawsTheFourTorusPieces) {
  // A 100 x 100 panel: quadrants by colour, drawn scrolled to (90, 95)
  // through a 50 x 20 window at (200, 200).
  TPanelSurface* panel = LivePanel(CallNative(screen_natives::PanelInit, MakeNull(), {MakeInt(100), MakeInt(100)}));
  ASSERT_NE(panel, nullptr);
  panel->surface->Fill(TRect{0, 0, 50, 50}, kRed);       // top-left
  panel->surface->Fill(TRect{50, 0, 100, 50}, kGreen);   // top-right
  panel->surface->Fill(TRect{0, 50, 50, 100}, kWhite);   // bottom-left
  panel->surface->Fill(TRect{50, 50, 100, 100}, kBlue);  // bottom-right
  auto* map = Add<TMapSprite>(200, 200);
  map->source = panel->surface;
  map->srcWidth = map->srcHeight = 100;
  map->srcX = 90;
  map->srcY = 95;
  map->dstWidth = 50;
  map->dstHeight = 20;
  screen->DrawAll();
  EXPECT_EQ(Pixel(200, 200), kBlue);   // piece 1: (90, 95)-(100, 100)
  EXPECT_EQ(Pixel(209, 204), kBlue);
  EXPECT_EQ(Pixel(200, 205), kGreen);  // piece 2: (90, 0)-(100, 15)
  EXPECT_EQ(Pixel(209, 219), kGreen);
  EXPECT_EQ(Pixel(210, 200), kWhite);  // piece 3: (0, 95)-(40, 100)
  EXPECT_EQ(Pixel(249, 204), kWhite);
  EXPECT_EQ(Pixel(210, 205), kRed);    // piece 4: (0, 0)-(40, 15)
  EXPECT_EQ(Pixel(249, 219), kRed);
  EXPECT_EQ(Pixel(250, 210), kBackground);
  EXPECT_EQ(Pixel(220, 220), kBackground);
}

TEST_F(SpriteDraw, MapSpriteKeysOutTheTransparentColour) {
  TPanelSurface* panel = LivePanel(CallNative(screen_natives::PanelInit, MakeNull(), {MakeInt(20), MakeInt(20)}));
  ASSERT_NE(panel, nullptr);
  panel->surface->Fill(TRect{5, 5, 15, 15}, kGreen);  // the rest stays 0 (transparent)
  auto* map = Add<TMapSprite>(300, 300);
  map->source = panel->surface;
  map->srcWidth = map->srcHeight = map->dstWidth = map->dstHeight = 20;
  screen->DrawAll();
  EXPECT_EQ(Pixel(300, 300), kBackground);
  EXPECT_EQ(Pixel(310, 310), kGreen);
  EXPECT_EQ(Ink(TRect{290, 290, 330, 330}), 100);

  // Rotated, the whole picture is centred on the position.
  screen->Sprites().Clear();
  auto* rot = Add<TMapSprite>(100, 100);
  rot->source = panel->surface;
  rot->srcWidth = rot->srcHeight = rot->dstWidth = rot->dstHeight = 20;
  rot->rotated = true;
  screen->DrawAll();
  EXPECT_EQ(Pixel(100, 100), kGreen);
  EXPECT_EQ(Ink(TRect{80, 80, 120, 120}), 100);
}

}  // namespace
}  // namespace ruvel::test
