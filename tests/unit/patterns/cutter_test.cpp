// Cutting synthetic sheets: frames and their margins, raster order, the
// colour-distance threshold, the fallback to one pattern, and the keyed
// pixels a texture is made from.
#include <algorithm>

#include "screen/pattern_cutter.h"
#include "sheet_helpers.h"

namespace ruvel::test {
namespace {

std::vector<TRect> Rects(const TCutResult& r) {
  std::vector<TRect> out;
  for (const TPatElem& e : r.elems) out.push_back(e.rect);
  return out;
}

bool Logged(const CaptureSink& sink, const std::string& line) {
  return std::find(sink.logged.begin(), sink.logged.end(), line) != sink.logged.end();
}

TEST(CutSheet, FramesAreNumberedByTopEdgeThenLeftToRight) {
  SinkScope scope;
  TPixelImage img = Sheet(100, 50);
  Frame(img, 5, 5, 10, 10, kBlack);
  Frame(img, 30, 2, 10, 10, kMagenta);
  TCutResult r = CutSheet(img);
  EXPECT_TRUE(r.cutOk);
  EXPECT_EQ(Rects(r), (std::vector<TRect>{{31, 3, 39, 11}, {6, 6, 14, 14}}));
  ASSERT_EQ(r.elems.size(), 2u);
  EXPECT_EQ(r.elems[0].key, kMagenta);
  EXPECT_EQ(r.elems[1].key, kBlack);

  // Same top edge: left to right, whatever order they were drawn in.
  TPixelImage row = Sheet(60, 20);
  Frame(row, 40, 3, 6, 5, 0x0000FF);
  Frame(row, 2, 3, 8, 8, 0x00FF00);
  Frame(row, 20, 3, 4, 4, 0xFF0000);
  EXPECT_EQ(Rects(CutSheet(row)), (std::vector<TRect>{{3, 4, 9, 10}, {21, 4, 23, 6}, {41, 4, 45, 7}}));
}

TEST(CutSheet, InkInsideAFrameOrItsMarginIsSkipped) {
  SinkScope scope;
  TPixelImage img = Sheet(40, 30);
  Frame(img, 3, 3, 12, 10, kBlack);
  Fill(img, 6, 6, 4, 4, 0x3050A0);    // the pattern's own picture
  Fill(img, 15, 13, 1, 1, 0x3050A0);  // diagonally below-right, in the margin
  Frame(img, 20, 8, 6, 6, kMagenta);  // a second frame further right
  TCutResult r = CutSheet(img);
  EXPECT_TRUE(r.cutOk);
  EXPECT_EQ(Rects(r), (std::vector<TRect>{{4, 4, 14, 12}, {21, 9, 25, 13}}));
  EXPECT_TRUE(scope.sink.logged.empty());
}

TEST(CutSheet, ColourDistanceOf32IsStillBackground) {
  SinkScope scope;
  // 0xEFEFFF is 16 + 16 + 0 = 32 from white: background, so no frame.
  TPixelImage faint = Sheet(20, 20);
  Frame(faint, 2, 2, 6, 6, 0xEFEFFF);
  TCutResult none = CutSheet(faint);
  EXPECT_TRUE(none.cutOk);
  EXPECT_TRUE(none.elems.empty());

  // One more step (33) makes it ink.
  TPixelImage ink = Sheet(20, 20);
  Frame(ink, 2, 2, 6, 6, 0xEFEEFF);
  EXPECT_EQ(Rects(CutSheet(ink)), (std::vector<TRect>{{3, 3, 7, 7}}));

  // Near-background pixels inside a pattern are pattern pixels, and a
  // near-background pixel right of the frame does not disturb it.
  TPixelImage near = Sheet(20, 20);
  Frame(near, 2, 2, 6, 6, kBlack);
  Fill(near, 8, 4, 1, 1, 0xF0F0F0);  // distance 45: ink beside the border
  TCutResult failed = CutSheet(near);
  EXPECT_FALSE(failed.cutOk);
  near.pixels[4 * 20 + 8] = 0xF5F5F5;  // distance 30: background
  EXPECT_TRUE(CutSheet(near).cutOk);
}

TEST(CutSheet, AFrameReachingTheLastColumnMakesOnePattern) {
  SinkScope scope;
  TPixelImage img = Sheet(30, 20);
  Frame(img, 2, 2, 6, 6, kBlack);
  Fill(img, 10, 12, 20, 1, kBlack);  // a border running to the right edge
  TCutResult r = CutSheet(img);
  EXPECT_FALSE(r.cutOk);
  EXPECT_EQ(Rects(r), (std::vector<TRect>{{1, 1, 30, 20}}));
  ASSERT_EQ(r.elems.size(), 1u);
  EXPECT_EQ(r.elems[0].key, kWhite) << "the key of the whole sheet is its pixel (0, 0)";
  EXPECT_TRUE(Logged(scope.sink, "fail to q"));

  // The walk along the top border must stop before the last column: a
  // right border at width - 3 is cut, one at width - 2 is not.
  TPixelImage fits = Sheet(30, 20);
  Frame(fits, 20, 2, 8, 6, kBlack);
  EXPECT_EQ(Rects(CutSheet(fits)), (std::vector<TRect>{{21, 3, 27, 7}}));
  TPixelImage tooFar = Sheet(30, 20);
  Frame(tooFar, 20, 2, 9, 6, kBlack);
  EXPECT_FALSE(CutSheet(tooFar).cutOk);
}

TEST(CutSheet, FramesTouchingSideBySideFail) {
  SinkScope scope;
  TPixelImage img = Sheet(40, 30);
  Frame(img, 2, 2, 8, 8, kBlack);
  Frame(img, 10, 4, 8, 8, kBlack);  // its left border touches the first's right border
  TCutResult r = CutSheet(img);
  EXPECT_FALSE(r.cutOk);
  EXPECT_EQ(Rects(r), (std::vector<TRect>{{1, 1, 40, 30}}));
  EXPECT_TRUE(Logged(scope.sink, "fail to q"));
}

TEST(CutSheet, AnInteriorNarrowerThanOnePixelIsLoggedAndFails) {
  SinkScope scope;
  TPixelImage img = Sheet(20, 20);
  Frame(img, 4, 4, 6, 6, kBlack);
  Fill(img, 12, 12, 2, 3, kBlack);  // a 2 x 3 blot: no inside at all
  TCutResult r = CutSheet(img);
  EXPECT_FALSE(r.cutOk);
  EXPECT_EQ(Rects(r), (std::vector<TRect>{{1, 1, 20, 20}}));
  EXPECT_TRUE(Logged(scope.sink, "(12,12)-(0,1)"));
  EXPECT_TRUE(Logged(scope.sink, "fail to q"));

  // A single ink pixel on the last row cannot start a frame either.
  TPixelImage bottom = Sheet(10, 10);
  Fill(bottom, 3, 9, 2, 1, kBlack);
  EXPECT_FALSE(CutSheet(bottom).cutOk);
}

TEST(CutSheet, AnEmptySheetHasNoPatterns) {
  TPixelImage img = Sheet(16, 16, 0x123456);
  TCutResult r = CutSheet(img);
  EXPECT_TRUE(r.cutOk);
  EXPECT_TRUE(r.elems.empty());
  EXPECT_TRUE(CutSheet(TPixelImage{}).elems.empty());
}

TEST(KeyedPixels, OnlyThePatternsKeyColourBecomesTransparent) {
  TPixelImage img = Sheet(30, 12);
  Frame(img, 1, 1, 8, 8, kMagenta);
  Fill(img, 3, 3, 2, 2, kMagenta);  // key colour inside pattern 0
  Fill(img, 5, 5, 1, 1, 0x102030);
  Frame(img, 12, 1, 8, 8, kBlack);
  Fill(img, 14, 3, 1, 1, kMagenta);  // the other pattern's key: stays
  Fill(img, 15, 3, 1, 1, kBlack);
  TCutResult r = CutSheet(img);
  ASSERT_EQ(r.elems.size(), 2u);
  std::vector<uint32_t> px = KeyedPixels(img, r.elems);
  auto at = [&](int x, int y) { return px[size_t(y) * 30 + x]; };
  EXPECT_EQ(at(3, 3), 0u);
  EXPECT_EQ(at(4, 4), 0u);
  EXPECT_EQ(at(5, 5), 0xFF102030u);
  EXPECT_EQ(at(2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(at(1, 1), 0xFFFF00FFu) << "the frame lies outside the pattern";
  EXPECT_EQ(at(14, 3), 0xFFFF00FFu);
  EXPECT_EQ(at(15, 3), 0u);
  EXPECT_EQ(at(25, 10), 0xFFFFFFFFu);
  size_t transparent = size_t(std::count(px.begin(), px.end(), 0u));
  EXPECT_EQ(transparent, 5u);
}

}  // namespace
}  // namespace ruvel::test
