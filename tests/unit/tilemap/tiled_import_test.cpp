#include "tilemap/tiled_import.h"

#include <gtest/gtest.h>

namespace ruvel {
namespace {

std::string ErrorOf(const std::string& text, const std::string& name) {
  try {
    ImportTiledText(text, name);
  } catch (const TMapError& e) {
    return e.what();
  }
  return "(no error)";
}

// The same 3x2 map of two layers in both formats; the tileset starts at
// global id 5, so id 5 is tile 0 and id 0 an empty cell.
const char* kJson = R"({"width":3,"height":2,"tilewidth":16,"tileheight":8,"infinite":false,
 "orientation":"orthogonal","tilesets":[{"firstgid":5,"source":"t.tsx"},{"firstgid":90}],
 "layers":[{"type":"tilelayer","name":"ground","width":3,"height":2,"data":[5,6,0,0,7,100]},
           {"type":"objectgroup","name":"things","objects":[]},
           {"type":"group","name":"g","layers":[{"type":"tilelayer","name":"top","width":3,"height":2,"data":[0,0,0,0,0,5]}]}]})";
const char* kXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<map version="1.10" orientation="orthogonal" width="3" height="2" tilewidth="16" tileheight="8" infinite="0">
 <tileset firstgid="5" source="t.tsx"/>
 <layer id="1" name="ground" width="3" height="2">
  <data encoding="csv">
5,6,0,
0,7,100
</data>
 </layer>
 <group name="g"><layer id="2" name="top" width="3" height="2"><data encoding="csv">0,0,0,0,0,5</data></layer></group>
</map>
)";

TEST(TiledImport, BothFormatsGiveTheSameLayersAndTileNumbers) {
  EXPECT_TRUE(IsTiledMapName("a/B.TMX") && IsTiledMapName("x.tmj") && !IsTiledMapName("x.map"));
  const std::string expected = "map 3 2 16 8\nlayer ground\n0,1,-1\n-1,2,95\nlayer top\n-1,-1,-1\n-1,-1,0\n";
  EXPECT_EQ(ImportTiledText(kJson, "level.tmj").ToText(), expected);
  EXPECT_EQ(ImportTiledText(kXml, "level.tmx").ToText(), expected);
}

TEST(TiledImport, RefusesWhatItCannotReadWithAMessage) {
  std::string flipped = kXml;
  flipped.replace(flipped.find("0,7,100"), 7, "0,7,2147483653");
  EXPECT_EQ(ErrorOf(flipped, "f.tmx"), "f.tmx の 7 行目: 反転・回転したタイルは読めません (Tiled で向きを戻してください)");
  std::string notNumber = kXml;
  notNumber.replace(notNumber.find("0,7,100"), 7, "0,x,100");
  EXPECT_EQ(ErrorOf(notNumber, "n.tmx"), "n.tmx の 7 行目: 「x」は数ではありません");
  std::string shortRow = kXml;
  shortRow.replace(shortRow.find("0,7,100"), 7, "0,7");
  EXPECT_EQ(ErrorOf(shortRow, "s.tmx"), "s.tmx の 5 行目: レイヤー「ground」のタイルが 6 個ではなく 5 個です");
  std::string base64 = kXml;
  base64.replace(base64.find("encoding=\"csv\""), 14, "encoding=\"base64\"");
  EXPECT_EQ(ErrorOf(base64, "b.tmx"), "b.tmx の 5 行目: CSV でないレイヤーは読めません (Tiled でレイヤーの形式を CSV にしてください)");
  std::string infinite = kXml;
  infinite.replace(infinite.find("infinite=\"0\""), 12, "infinite=\"1\"");
  EXPECT_EQ(ErrorOf(infinite, "i.tmx"), "i.tmx の 2 行目: 無限マップは読めません (Tiled で無限の設定を外してください)");
  EXPECT_EQ(ErrorOf("<map>\n<layer>\n</map>", "x.tmx"), "x.tmx の 2 行目: XML として読めません");

  // A number past every type stops the JSON reader with another kind of error.
  EXPECT_EQ(ErrorOf("{\"width\": 1e99999}", "h.tmj"), "h.tmj: JSON として読めません");
  std::string compressed = kJson;
  compressed.replace(compressed.find("\"data\":[5,6,0,0,7,100]"), 22, "\"data\":\"eJw=\",\"encoding\":\"base64\",\"compression\":\"zlib\"");
  EXPECT_EQ(ErrorOf(compressed, "c.tmj"), "c.tmj: base64 などで書かれたレイヤーは読めません (Tiled でレイヤーの形式を CSV にしてください)");
  std::string flippedJson = kJson;
  flippedJson.replace(flippedJson.find("7,100"), 5, "7,1073741829");
  EXPECT_EQ(ErrorOf(flippedJson, "f.tmj"), "f.tmj: 反転・回転したタイルは読めません (Tiled で向きを戻してください)");
  std::string below = kJson;
  below.replace(below.find("7,100"), 5, "3,100");
  EXPECT_EQ(ErrorOf(below, "g.tmj"), "g.tmj: タイル番号 3 がタイルセットの範囲にありません");
  EXPECT_EQ(ErrorOf("{\"width\":3,\n\"height\":}", "j.tmj"), "j.tmj の 2 行目: JSON として読めません");
  EXPECT_EQ(ErrorOf("{\"width\":3,\"height\":\"2\"}", "h.tmj"), "h.tmj: 「height」の整数がありません");
  EXPECT_EQ(ErrorOf("{\"width\":5000,\"height\":2,\"tilewidth\":1,\"tileheight\":1}", "w.tmj"),
            "w.tmj: 列数 5000 は 1 から 4096 の範囲にありません");
}

}  // namespace
}  // namespace ruvel
