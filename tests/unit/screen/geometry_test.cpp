// The sizes, angles and torus pieces that sprites compute.
#include <gtest/gtest.h>

#include <limits>

#include "screen/sprite.h"

namespace ruvel {
namespace {

TEST(SpriteGeometry, DestinationSizesRoundHalfUpAndTruncateTowardZero) {
  EXPECT_EQ(DxDestSize(10, 1.5), 15);
  EXPECT_EQ(DxDestSize(-10, 1.5), -14);
  EXPECT_EQ(DxDestSize(16, 1.0), 16);
  EXPECT_EQ(DxDestSize(16, 0.01), 0);
  EXPECT_EQ(DxDestSize(16, 1e300), 65536);
  EXPECT_EQ(DxDestSize(16, std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(SpriteGeometry, AnglesReduceToTurnsOf256) {
  EXPECT_EQ(AngleTo256(0), 0);
  EXPECT_EQ(AngleTo256(90), 64);
  EXPECT_EQ(AngleTo256(-90), 192);
  EXPECT_EQ(AngleTo256(360), 0);
  EXPECT_EQ(AngleTo256(-360), 0);
  EXPECT_EQ(AngleTo256(359), 255);
  EXPECT_EQ(AngleTo256(725), 3);
  // -2147483648 is -128 modulo 360, that is 232 degrees.
  EXPECT_EQ(AngleTo256(std::numeric_limits<int32_t>::min()), 232 * 256 / 360);
}

TEST(SpriteGeometry, MapPiecesWrapAroundTheSource) {
  auto p = MapPieces(100, 100, 90, 95, 50, 20);
  ASSERT_EQ(p.size(), 4u);
  EXPECT_EQ(p[0], (TMapPiece{TRect{90, 95, 100, 100}, 0, 0}));
  EXPECT_EQ(p[1], (TMapPiece{TRect{90, 0, 100, 15}, 0, 5}));
  EXPECT_EQ(p[2], (TMapPiece{TRect{0, 95, 40, 100}, 10, 0}));
  EXPECT_EQ(p[3], (TMapPiece{TRect{0, 0, 40, 15}, 10, 5}));
  // Inside the source: one piece.
  EXPECT_EQ(MapPieces(100, 100, 10, 10, 50, 20).size(), 1u);
  // Only rows wrap.
  auto rows = MapPieces(100, 100, 0, 90, 50, 20);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], (TMapPiece{TRect{0, 0, 50, 10}, 0, 10}));
  // Offsets outside the source wrap like the torus they stand for.
  EXPECT_EQ(MapPieces(100, 100, -10, 195, 50, 20), MapPieces(100, 100, 90, 95, 50, 20));
  EXPECT_TRUE(MapPieces(0, 100, 0, 0, 50, 20).empty());
  EXPECT_TRUE(MapPieces(100, 100, 0, 0, 0, 20).empty());
}

}  // namespace
}  // namespace ruvel
