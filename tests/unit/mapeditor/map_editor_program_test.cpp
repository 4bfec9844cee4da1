// The map editor through the real program: ruvel --edit-map on a copy of a
// map and its sheet, driven by an --input replay of clicks and keys on the
// window (places from the editor's layout table), then the saved file read
// back with TTileMap::Load.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "devui/map_editor_view.h"
#include "tilemap/tile_map.h"
#include "test_paths.h"

namespace fs = std::filesystem;
using L = ruvel::TMapEditorLayout;

namespace {

struct TReplay {
  std::ostringstream text;
  int frame = 2;
  void Click(int x, int y) {
    text << frame << " move " << x << " " << y << "\n" << frame << " press left " << x << " " << y << "\n";
    text << frame + 1 << " release left " << x << " " << y << "\n";
    frame += 3;
  }
  // A left-button drag through the cells' centres, one frame each.
  void Drag(const std::vector<std::pair<int, int>>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) {
      auto [x, y] = Cell(cells[i].first, cells[i].second);
      text << frame << " move " << x << " " << y << "\n";
      if (i == 0) text << frame << " press left " << x << " " << y << "\n";
      ++frame;
    }
    auto [x, y] = Cell(cells.back().first, cells.back().second);
    text << frame << " release left " << x << " " << y << "\n";
    frame += 2;
  }
  void Key(const std::string& key, bool ctrl = false) {
    if (ctrl) text << frame++ << " down #17\n";
    text << frame << " down " << key << "\n" << frame + 1 << " up " << key << "\n";
    frame += 2;
    if (ctrl) text << frame++ << " up #17\n";
    ++frame;
  }
  // Cells are 16 pixels at the editor's first zoom (100 %).
  static std::pair<int, int> Cell(int col, int row) { return {L::kCanvasX + col * 16 + 8, L::kCanvasY + row * 16 + 8}; }
  void Tile(int n) {
    Click(L::kPaletteX + (n % L::kPaletteColumns) * L::kPaletteStep + L::kPaletteCell / 2,
          L::kPaletteY + (n / L::kPaletteColumns) * L::kPaletteStep + L::kPaletteCell / 2);
  }
  void Button(ruvel::TMapButton b) {
    const ruvel::TMapButtonPlace& p = ruvel::MapEditorButtons()[size_t(b)];
    Click(p.x + p.w / 2, p.y + p.h / 2);
  }
  void Tool(int index) { Click(L::kToolX + index * L::kToolStep + L::kToolW / 2, L::kToolY + L::kToolH / 2); }
};

fs::path Scratch(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("ruvel_mapedit_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(fs::path(ruvel_test::TestSourceDir()) / "examples/tutorial/images/sheet.bmp", dir / "sheet.bmp");
  // 30 x 20 cells; the four bottom rows are full, the rest empty.
  std::ofstream map(dir / "level.map", std::ios::binary);
  map << "map 30 20 16 16\nsheet sheet.bmp\nsolid 1\n";
  for (int r = 0; r < 20; ++r) {
    for (int c = 0; c < 30; ++c) map << (c ? "," : "") << (r >= 16 ? 0 : -1);
    map << "\n";
  }
  return dir;
}

int RunEditor(const fs::path& dir, const std::string& replay, int frames, const fs::path& shot) {
  std::ofstream(dir / "replay.txt") << replay;
  std::string cmd = ruvel_test::TestBuildDir() + "/ruvel --edit-map '" + (dir / "level.map").string() +
                    "' --headless --fixed-clock --input '" + (dir / "replay.txt").string() + "' --frames " +
                    std::to_string(frames) + " --screenshot '" + shot.string() + "'";
  return std::system(cmd.c_str());
}

TEST(MapEditorProgramTest, ReplayPaintsFillsUndoesMarksSolidAddsALayerAndSaves) {
  fs::path dir = Scratch("paint");
  TReplay r;
  r.Tile(1);                           // pencil (the first tool) with tile 1
  r.Drag({{0, 0}, {1, 0}, {2, 0}});
  r.Key("R");                          // rectangle with tile 2
  r.Tile(2);
  r.Drag({{0, 2}, {6, 6}, {3, 4}});    // the rectangle shrinks back while dragged
  r.Tool(2);                           // fill the empty area with tile 3
  r.Tile(3);
  r.Click(L::kCanvasX + 10 * 16 + 8, L::kCanvasY + 8 * 16 + 8);
  r.Key("P");                          // a dot of tile 0 ...
  r.Tile(0);
  r.Drag({{20, 10}});
  r.Key("Z", true);                    // ... taken back
  r.Button(ruvel::TMapButton::kSolid);  // tile 0 solid
  r.Button(ruvel::TMapButton::kLayerAdd);
  r.Drag({{5, 5}});                    // on the new layer
  r.Key("S", true);
  int frames = r.frame + 3;
  ASSERT_EQ(RunEditor(dir, r.text.str(), frames, dir / "shot.png"), 0) << r.text.str();
  ASSERT_TRUE(fs::exists(dir / "shot.png"));
  // The documentation's picture of the window.
  if (const char* shots = std::getenv("RUVEL_SHOT_DIR")) {
    fs::copy_file(dir / "shot.png", fs::path(shots) / "map_editor.png", fs::copy_options::overwrite_existing);
  }

  ruvel::TTileMap map = ruvel::TTileMap::Load((dir / "level.map").string());
  ASSERT_EQ(map.Layers().size(), 2u);
  EXPECT_EQ(map.Layers()[0].name, "main");
  EXPECT_EQ(map.Layers()[1].name, "layer2");
  EXPECT_EQ(map.Sheet(), "sheet.bmp");
  EXPECT_EQ(map.SolidTiles(), (std::set<int32_t>{0, 1}));
  for (int row = 0; row < 20; ++row) {
    for (int col = 0; col < 30; ++col) {
      int want = row >= 16 ? 0 : 3;  // the fill reached every empty cell
      if (row == 0 && col < 3) want = 1;
      if (col <= 3 && row >= 2 && row <= 4) want = 2;
      EXPECT_EQ(map.GetIn(0, col, row), want) << col << "," << row;
      EXPECT_EQ(map.GetIn(1, col, row), col == 5 && row == 5 ? 0 : -1) << col << "," << row;
    }
  }
}

}  // namespace
