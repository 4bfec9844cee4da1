// TileMap and the camera through the real program: a page draws a map
// scrolled by the camera with a moving object and a score box that is
// not moved, and the screenshot must hold exactly the pixels the sheet's
// patterns give at the places the natives promise. A second page checks
// the values the natives return, the messages of bad maps and a save.
#include <vector>

#include "integration/integration_fixture.h"
#include "screen/pattern_cutter.h"
#include "test_paths.h"

namespace {

using namespace it;

constexpr int kPictureWidth = 560;
constexpr int kPictureHeight = 381;  // above the status bar
constexpr int kTile = 24;            // the sheet's patterns are 24 x 24
constexpr int kCameraX = 37;
constexpr int kCameraY = 21;

class TileMapPageTest : public IntegrationTest {
 protected:
  void WritePage(const std::string& gens, const std::vector<std::pair<std::string, std::string>>& classes) {
    std::string list;
    for (const auto& [name, source] : classes) {
      list += "  <class name=\"" + name + "\" src=\"" + name + ".ruvel\">\n";
      Write(dir / (name + ".ruvel"), source);
    }
    Write(dir / "page.cmml",
          "<resourcelist name=\"usr\">\n"
          " <resourcelist name=\"patterns\">\n  <cpattern name=\"$pat\" src=\"tiles.bmp\">\n </resourcelist>\n"
          " <resourcelist name=\"classes\">\n" + list + " </resourcelist>\n"
          " <resourcelist name=\"gen\">\n" + gens + " </resourcelist>\n"
          "</resourcelist>\n");
    // Six 24 x 24 tiles: two opaque, four with transparent pixels.
    fs::copy_file(fs::path(ruvel_test::TestSourceDir()) / "tests/unit/integration/tilemap_data/tiles.bmp", dir / "tiles.bmp",
                  fs::copy_options::overwrite_existing);
  }
};

TEST_F(TileMapPageTest, TilesObjectsAndScoreAreWhereTheCameraPutsThem) {
  // 30 x 20 cells: tile (c * 5 + r * 3) % 7 - 1, so -1 (empty) and all six
  // patterns occur; the script then sets cell (1, 1) to 5.
  const int cols = 30, rows = 20;
  std::vector<int> cells(cols * rows);
  std::string map = "map " + std::to_string(cols) + " " + std::to_string(rows) + " 24 24\n";
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      cells[r * cols + c] = (c * 5 + r * 3) % 7 - 1;
      map += (c ? "," : "") + std::to_string(cells[r * cols + c]);
    }
    map += "\n";
  }
  cells[1 * cols + 1] = 5;
  Write(dir / "level.map", map);
  WritePage(
      "  <generator className=\"Level\" name=\"$level\" inst_x=\"0\" inst_y=\"0\">\n"
      "  <generator className=\"Score\" name=\"$score\" inst_x=\"0\" inst_y=\"0\">\n"
      "  <generator className=\"Box\" name=\"$box\" inst_x=\"100\" inst_y=\"100\">\n",
      {{"Level",
        "extends classes.game.Char;\n"
        "function onGenerate() {\n  $bgcolor = rgb(0, 0, 96);\n  map = new TileMap();\n  map.load(\"level.map\");\n  map.setPattern($pat);\n"
        "  map.set(1, 1, 5);\n  setCamera(" + std::to_string(kCameraX) + ", " + std::to_string(kCameraY) + ");\n}\n"
        "function draw() {\n  map.draw(10);\n}\n"},
       {"Score", "extends classes.game.Char;\nfunction onGenerate() {\n  hud = 1;\n}\n"
                 "function draw() {\n  fillRect(0, 0, 40, 10, rgb(255, 255, 0), 0);\n}\n"},
       {"Box", "extends classes.game.Char;\nfunction draw() {\n  fillRect(x, y, x + 10, y + 10, rgb(255, 0, 255), 0);\n}\n"}});
  fs::path png = dir / "shot.png";
  RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --frames 3 --screenshot " + png.string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output, "");
  ruvel::TPixelImage shot = Screenshot(png);
  ASSERT_GE(shot.width, kPictureWidth);
  ASSERT_GE(shot.height, kPictureHeight);

  // What must be there: the background, then the tiles in the sheet's
  // pixels (key colour transparent), then the box moved by the camera, then
  // the score.
  ruvel::TPixelImage sheet;
  std::string error;
  ASSERT_TRUE(ruvel::LoadPatternImage((dir / "tiles.bmp").string(), sheet, error)) << error;
  ruvel::TCutResult cut = ruvel::CutSheet(sheet);
  ASSERT_EQ(cut.elems.size(), 6u);
  std::vector<uint32_t> keyed = ruvel::KeyedPixels(sheet, cut.elems);
  std::vector<uint32_t> want(kPictureWidth * kPictureHeight, 0x000060);
  auto put = [&](int x, int y, uint32_t rgb) {
    if (x >= 0 && y >= 0 && x < kPictureWidth && y < kPictureHeight) want[y * kPictureWidth + x] = rgb;
  };
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      int t = cells[r * cols + c];
      if (t < 0) continue;
      const ruvel::TRect& e = cut.elems[t].rect;
      ASSERT_EQ(e.Width(), kTile);
      for (int y = 0; y < e.Height(); ++y) {
        for (int x = 0; x < e.Width(); ++x) {
          uint32_t p = keyed[(e.top + y) * sheet.width + e.left + x];
          if (p >> 24) put(c * kTile + x - kCameraX, r * kTile + y - kCameraY, p & 0xFFFFFF);
        }
      }
    }
  }
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) put(100 - kCameraX + x, 100 - kCameraY + y, 0xFF00FF);
  }
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 40; ++x) put(x, y, 0xFFFF00);
  }
  int wrong = 0;
  std::string first;
  for (int y = 0; y < kPictureHeight; ++y) {
    for (int x = 0; x < kPictureWidth; ++x) {
      uint32_t got = shot.At(x, y) & 0xFFFFFF;
      if (got == want[y * kPictureWidth + x]) continue;
      if (wrong++ == 0) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "(%d, %d): %06x, want %06x", x, y, got, want[y * kPictureWidth + x]);
        first = buf;
      }
    }
  }
  EXPECT_EQ(wrong, 0) << "first difference at " << first;
}

TEST_F(TileMapPageTest, NativesAnswerAndBadMapsAreNamedByFileAndLine) {
  Write(dir / "stage.map", "map 4 3 16 8\nsolid 2\nlayer ground\n0,1,-1,2\n1,1,1,1\n-1,-1,-1,2\nlayer top\n5,-1,-1,-1\n-1,-1,-1,-1\n-1,-1,-1,-1\n");
  Write(dir / "bad.map", "map 4 3 16 8\n0,1,2,3\n0,1,x,3\n0,1,2,3\n");
  WritePage("  <generator className=\"Check\" name=\"$check\" inst_x=\"0\" inst_y=\"0\">\n",
            {{"Check",
              "extends classes.game.Char;\n"
              "function onGenerate() {\n"
              "  m = new TileMap();\n"
              "  print(\"load \" + m.load(\"stage.map\") + \" \" + m.columns() + \" \" + m.rows());\n"
              "  m.setPattern($pat + 3);\n"
              "  m.setPattern($pat + 3);\n"
              "  print(\"get \" + m.get(3, 0) + \" \" + m.get(2, 0) + \" \" + m.get(4, 0) + \" \" + m.get(0, -1));\n"
              "  print(\"tileAt \" + m.tileAt(63, 23) + \" \" + m.tileAt(64, 0) + \" \" + m.tileAt(16, 7));\n"
              "  print(\"hits \" + m.hits(0, 0, 47, 7) + m.hits(48, 0, 48, 0) + m.hits(63, 23, 60, 16) + m.hits(-9, -9, -1, 50));\n"
              "  print(\"layer \" + m.layer(\"top\") + \" \" + m.get(0, 0) + \" \" + m.hits(0, 0, 63, 23) + \" \" + m.layer(\"none\") + \" \" + m.get(0, 0));\n"
              "  m.layer(\"ground\");\n"
              "  print(\"bad \" + m.load(\"bad.map\") + \" missing \" + m.load(\"none.map\") + \" kept \" + m.get(3, 0));\n"
              "  m.setSolid(1, 1);\n"
              "  m.setSolid(2, 0);\n"
              "  print(\"set \" + m.set(0, 0, 7) + m.set(4, 0, 7) + m.set(0, 0, -2) + \" solid \" + m.hits(48, 0, 63, 7) + m.hits(16, 0, 16, 0));\n"
              "  print(\"save \" + m.save(\"copy.map\"));\n"
              "  n = new TileMap();\n"
              "  print(\"copy \" + n.load(\"copy.map\") + \" \" + n.get(0, 0) + \" \" + n.hits(16, 0, 16, 0));\n"
              "  print(\"create \" + n.create(5000, 1, 16, 16, 0) + \" \" + n.create(2, 2, 8, 8, 0) + \" \" + n.get(1, 1) + \" \" + n.columns());\n"
              "  setCamera(-3, 4);\n"
              "  print(\"camera \" + getCameraX() + \" \" + getCameraY());\n"
              "}\n"}});
  // print() writes to the log, which --log shows.
  RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --frames 2 --log");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  for (const char* line : {"load 1 4 3\n", "get 2 -1 -1 -1\n", "tileAt 2 -1 1\n", "hits 0110\n", "layer 1 5 0 0 5\n",
                           "bad 0 missing 0 kept 2\n", "set 100 solid 01\n", "save 1\n", "copy 1 7 1\n",
                           "create 0 1 -1 2\n", "camera -3 4\n"}) {
    EXPECT_NE(r.output.find(line), std::string::npos) << "missing: " << line << "in:\n" << r.output;
  }
  for (const char* message : {"bad.map の 3 行目: 「x」は数ではありません", "none.map: ファイルがありません",
                              "列数 5000 は 1 から 4096 の範囲にありません",
                              "stage.map の 8 行目: タイル番号 5 のパターンがシートにありません (このシートのタイルは 0 から 2 まで)"}) {
    EXPECT_NE(r.output.find(message), std::string::npos) << "missing: " << message << " in:\n" << r.output;
  }
  EXPECT_EQ(r.output.find("パターンがシートにありません"), r.output.rfind("パターンがシートにありません")) << "said once";
  // The saved file is the map as edited: both layers, the new solid set.
  std::ifstream saved(dir / "copy.map");
  std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text,
            "map 4 3 16 8\nsolid 1\nlayer ground\n7,1,-1,2\n1,1,1,1\n-1,-1,-1,2\nlayer top\n5,-1,-1,-1\n-1,-1,-1,-1\n-1,-1,-1,-1\n");
}

// A game written before the kernel had TileMap may have a class of that
// name: its pages keep making objects of their own class.
TEST_F(TileMapPageTest, AGamesOwnTileMapClassKeepsItsName) {
  WritePage("  <generator className=\"TileMap\" name=\"$map\" inst_x=\"50\" inst_y=\"60\">\n",
            {{"TileMap", "extends classes.game.Char;\nfunction draw() {\n  fillRect(x, y, x + 5, y + 5, rgb(0, 255, 0), 0);\n}\n"}});
  fs::path png = dir / "own.png";
  RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --frames 3 --screenshot " + png.string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output, "");
  ruvel::TPixelImage shot = Screenshot(png);
  EXPECT_EQ(shot.At(52, 62) & 0xFFFFFF, 0x00FF00u);
}

// The mouse finds objects where the camera shows them; a hud object
// stays where it is drawn.
TEST_F(TileMapPageTest, TheMouseHitsObjectsWhereTheCameraShowsThem) {
  const std::string clicked =
      "function onGenerate() {\n  p = $pat;\n  setCamera(100, 0);\n}\n"
      "function mouseDown(mx, my, l, r) {\n  print(\"hit \" + tag + \" \" + mx + \" \" + my);\n}\n";
  WritePage("  <generator className=\"Thing\" name=\"$a\" inst_x=\"300\" inst_y=\"200\" inst_tag=\"1\">\n"
            "  <generator className=\"Badge\" name=\"$b\" inst_x=\"300\" inst_y=\"100\" inst_tag=\"2\">\n",
            {{"Thing", "extends classes.game.Char;\n" + clicked},
             {"Badge", "extends classes.game.Char;\n" + clicked + "function draw() {\n  hud = 1;\n  drawPattern(x, y, p, 0, 0);\n}\n"}});
  Write(dir / "input.txt",
        "5 move 200 200\n5 press left 200 200\n6 release left 200 200\n"
        "8 move 300 200\n8 press left 300 200\n9 release left 300 200\n"
        "11 move 300 100\n11 press left 300 100\n12 release left 300 100\n");
  RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --frames 15 --log --input " +
                         (dir / "input.txt").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("hit 1 200 200\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("hit 2 300 100\n"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("hit 1 300"), std::string::npos) << r.output;
}

}  // namespace
