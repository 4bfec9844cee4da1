#include "tilemap/tile_map.h"

#include <gtest/gtest.h>

#include "io/temp_dir.h"

namespace ruvel {
namespace {

std::string ErrorOf(const std::string& text) {
  try {
    TTileMap::FromText(text, "stage.map");
  } catch (const TMapError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(TileMap, SimpleMapReadsAndWritesBackWithoutLayerLine) {
  const std::string text = "map 3 2 16 8\n0,1,-1\n2,-1,3\n";
  TTileMap map = TTileMap::FromText(text, "a.map");
  EXPECT_EQ(map.Columns(), 3);
  EXPECT_EQ(map.Rows(), 2);
  EXPECT_EQ(map.TileWidth(), 16);
  EXPECT_EQ(map.TileHeight(), 8);
  ASSERT_EQ(map.Layers().size(), 1u);
  EXPECT_EQ(map.Layers()[0].name, "main");
  EXPECT_EQ(map.Get(2, 1), 3);
  EXPECT_EQ(map.Get(2, 0), -1);
  EXPECT_EQ(map.Get(3, 0), -1);
  EXPECT_EQ(map.Get(-1, 0), -1);
  EXPECT_EQ(map.ToText(), text);
  // Pixels: tile (1, 1) covers x 16..31, y 8..15.
  EXPECT_EQ(map.TileAt(16, 8), -1);
  EXPECT_EQ(map.TileAt(15, 15), 2);
  EXPECT_EQ(map.TileAt(47, 15), 3);
  EXPECT_EQ(map.TileAt(48, 15), -1);
  EXPECT_EQ(map.TileAt(-1, 0), -1);
}

TEST(TileMap, LayersSheetAndSolidRoundTripThroughAFile) {
  const std::string text =
      "\xEF\xBB\xBFmap 2 1 4 4\r\nsheet images/tiles.png\r\nsolid 7, 3\r\n\r\nlayer back\r\n1 , 2\r\nlayer front\r\n-1,7\r\n";
  TTileMap map = TTileMap::FromText(text, "b.map");
  ASSERT_EQ(map.Layers().size(), 2u);
  EXPECT_EQ(map.Sheet(), "images/tiles.png");
  EXPECT_TRUE(map.IsSolid(3) && map.IsSolid(7) && !map.IsSolid(1));
  EXPECT_EQ(map.ToText(), "map 2 1 4 4\nsheet images/tiles.png\nsolid 3,7\nlayer back\n1,2\nlayer front\n-1,7\n");
  EXPECT_FALSE(map.Hits(0, 0, 7, 3));  // layer back has no solid tile
  EXPECT_TRUE(map.SelectLayer("front"));
  EXPECT_FALSE(map.SelectLayer("none"));
  EXPECT_EQ(map.CurrentLayer(), 1);
  EXPECT_FALSE(map.Hits(0, 0, 3, 3));
  EXPECT_TRUE(map.Hits(3, 3, 4, 0));  // corners in either order, both inside
  EXPECT_TRUE(map.Hits(-100, -100, 100, 100));
  EXPECT_FALSE(map.Hits(8, 0, 100, 3));

  test::TempDir dir;
  ASSERT_TRUE(map.Save(dir / "b.map"));
  EXPECT_TRUE(TTileMap::Load(dir / "b.map") == map);
  EXPECT_FALSE(map.Save(dir / "missing/b.map"));
  try {
    TTileMap::Load(dir / "none.map");
    FAIL();
  } catch (const TMapError& e) {
    EXPECT_NE(std::string(e.what()).find("none.map"), std::string::npos);
  }
}

TEST(TileMap, EditingKeepsTheLimitsAndOneLayer) {
  TTileMap map(4, 3, 16, 16);
  EXPECT_FALSE(map.Set(4, 0, 1));
  EXPECT_FALSE(map.Set(0, 0, -2));
  EXPECT_FALSE(map.Set(0, 0, kMaxTileNumber + 1));
  EXPECT_TRUE(map.Set(3, 2, 5));
  EXPECT_EQ(map.Get(3, 2), 5);
  EXPECT_EQ(map.AddLayer("top"), 1);
  EXPECT_THROW(map.AddLayer("top"), TMapError);
  EXPECT_THROW(map.AddLayer(""), TMapError);
  EXPECT_THROW(map.RenameLayer(1, "main"), TMapError);
  map.SelectLayer(1);
  map.RemoveLayer(0);
  EXPECT_EQ(map.CurrentLayer(), 0);
  EXPECT_EQ(map.Layers()[0].name, "top");
  map.RemoveLayer(0);
  EXPECT_EQ(map.Layers().size(), 1u);
  EXPECT_THROW(TTileMap(kMaxMapSide + 1, 1, 16, 16), TMapError);
  EXPECT_THROW(TTileMap(1, 1, 0, 16), TMapError);
}

TEST(TileMap, BadFilesNameTheFileAndLine) {
  EXPECT_EQ(ErrorOf("map 3 1 16 16\n1,2\n"), "stage.map の 2 行目: 数が 3 個ではなく 2 個です");
  EXPECT_EQ(ErrorOf("map 2 1 16 16\n1,x\n"), "stage.map の 2 行目: 「x」は数ではありません");
  EXPECT_EQ(ErrorOf("map 2 1 16 16\n1,,2\n"), "stage.map の 2 行目: 2 番目の数がありません");
  EXPECT_EQ(ErrorOf("map 2 1 16 16\n1,-2\n"), "stage.map の 2 行目: タイル番号 -2 は -1 から 65535 の範囲にありません");
  EXPECT_EQ(ErrorOf("map 4097 1 16 16\n"), "stage.map の 1 行目: 列数 4097 は 1 から 4096 の範囲にありません");
  EXPECT_EQ(ErrorOf("map 1 1 16 2000\n"), "stage.map の 1 行目: タイルの高さ 2000 は 1 から 1024 の範囲にありません");
  EXPECT_EQ(ErrorOf("map 1 1 16\n"), "stage.map の 1 行目: 「map」の後の数が 4 個ではなく 3 個です");
  EXPECT_EQ(ErrorOf("map 1 2 16 16\n1\n\nlayer b\n"), "stage.map の 4 行目: レイヤー「main」の行が 2 行ではなく 1 行です (2 行目から)");
  EXPECT_EQ(ErrorOf("map 1 1 16 16\n1\n2\n"), "stage.map の 3 行目: レイヤー「main」の行が 1 行より多くあります");
  EXPECT_EQ(ErrorOf("map 1 1 16 16\nlayer a\n1\nlayer a\n1\n"), "stage.map の 4 行目: レイヤー名「a」が二度あります");
  EXPECT_EQ(ErrorOf("map 1 1 16 16\nwall 1\n"),
            "stage.map の 2 行目: 「wall」は知らない行です (map, sheet, solid, layer か、タイル番号の行を書きます)");
  EXPECT_EQ(ErrorOf("map 1 1 16 16\n1\nsolid 1\n"), "stage.map の 3 行目: 「solid」の行はタイルの行より前に書きます");
  EXPECT_EQ(ErrorOf("tiles 1 1\n"), "stage.map の 1 行目: 最初の行は「map 列数 行数 タイルの幅 タイルの高さ」です");
  EXPECT_EQ(ErrorOf("map 1 1 16 16\n"), "stage.map の 1 行目: タイルの行がありません");
  EXPECT_EQ(ErrorOf(""), "stage.map: 「map」の行がありません (空のファイルです)");
  EXPECT_EQ(ErrorOf("map 1 1 16 16\n99999999999999999999\n"), "stage.map の 2 行目: 「99999999999999999999」は数ではありません");
}

}  // namespace
}  // namespace ruvel
