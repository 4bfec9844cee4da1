// The map editor's model where the mouse reaches it poorly: failed saves,
// layer edits taken back in the middle of the list, Tiled imports, the
// sheet line and the zoom's fixed point.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "assetedit/map_editor.h"

namespace fs = std::filesystem;

namespace {

fs::path Scratch(const std::string& name) {
  fs::path dir = fs::temp_directory_path() / ("ruvel_mapmodel_" + name + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(MapEditorModelTest, AFailedSaveKeepsTheEditAndTheUnsavedStateAndALaterSaveWorks) {
  fs::path dir = Scratch("save");
  ruvel::TMapEditor ed;
  ed.New((dir / "gone" / "a.map").string(), 4, 3, 8, 8);
  ed.picked = 5;
  ed.Press(1, 1);
  ed.Release();
  EXPECT_FALSE(ed.Save());
  EXPECT_NE(ed.LastError().find("a.map"), std::string::npos);
  EXPECT_TRUE(ed.Dirty());
  EXPECT_EQ(ed.Map().Get(1, 1), 5);
  EXPECT_TRUE(ed.CanUndo());
  fs::create_directories(dir / "gone");
  ASSERT_TRUE(ed.Save());
  EXPECT_FALSE(ed.Dirty());
  EXPECT_EQ(ruvel::TTileMap::Load((dir / "gone" / "a.map").string()).Get(1, 1), 5);
  // Undoing past the save point is unsaved again; redoing back is not.
  ed.Undo();
  EXPECT_TRUE(ed.Dirty());
  ed.Redo();
  EXPECT_FALSE(ed.Dirty());
  if (::geteuid() != 0) {  // a read-only folder holds nobody back but root
    fs::permissions(dir / "gone", fs::perms::owner_read | fs::perms::owner_exec);
    ed.Press(2, 2);
    ed.Release();
    EXPECT_FALSE(ed.Save());
    EXPECT_TRUE(ed.Dirty());
    EXPECT_EQ(ed.Map().Get(2, 2), 5);
    fs::permissions(dir / "gone", fs::perms::owner_all);
  }
}

TEST(MapEditorModelTest, LayerEditsUndoAndRedoInPlace) {
  fs::path dir = Scratch("layers");
  ruvel::TMapEditor ed;
  ed.New((dir / "l.map").string(), 3, 2, 16, 16);
  ed.AddLayer("mid");
  ed.picked = 7;
  ed.Press(2, 1);
  ed.Release();
  ed.AddLayer("top");
  ed.ShowLayer(1, false);
  ed.RemoveLayer(1);
  ASSERT_EQ(ed.Map().Layers().size(), 2u);
  ed.Undo();
  ASSERT_EQ(ed.Map().Layers().size(), 3u);
  EXPECT_EQ(ed.Map().Layers()[1].name, "mid");
  EXPECT_EQ(ed.Map().Layers()[2].name, "top");
  EXPECT_EQ(ed.Map().GetIn(1, 2, 1), 7);
  EXPECT_EQ(ed.CurrentLayer(), 1);
  ed.Redo();
  EXPECT_EQ(ed.Map().Layers()[1].name, "top");
  ed.Undo();
  // A taken name is refused and leaves nothing to undo; a rename keeps
  // the layer hidden under its new name.
  ed.ShowLayer(1, false);
  EXPECT_THROW(ed.AddLayer("top"), ruvel::TMapError);
  EXPECT_THROW(ed.RenameLayer(1, "main"), ruvel::TMapError);
  ed.RenameLayer(1, "ground");
  EXPECT_FALSE(ed.LayerShown(1));
  ed.Undo();
  EXPECT_EQ(ed.Map().Layers()[1].name, "mid");
  // The last layer stays.
  ruvel::TMapEditor one;
  one.New((dir / "one.map").string(), 1, 1, 1, 1);
  EXPECT_THROW(one.RemoveLayer(0), ruvel::TMapError);
  EXPECT_FALSE(one.CanUndo());
}

TEST(MapEditorModelTest, ToolsPickEraseAndFillOnTheSelectedLayerOnly) {
  fs::path dir = Scratch("tools");
  ruvel::TMapEditor ed;
  ed.New((dir / "t.map").string(), 5, 5, 16, 16);
  ed.picked = 2;
  ed.tool = ruvel::TMapTool::kRectangle;
  ed.Press(-3, -3);  // corners outside the map are clipped
  ed.Drag(1, 1);
  ed.Release();
  ed.AddLayer("over");
  ed.tool = ruvel::TMapTool::kFill;
  ed.picked = 4;
  ed.Press(4, 4);
  EXPECT_EQ(ed.Map().GetIn(1, 0, 0), 4);  // the new layer is empty: all of it
  EXPECT_EQ(ed.Map().GetIn(0, 4, 4), -1);
  ed.SelectLayer(0);
  ed.Press(4, 4);  // around the 2 x 2 block
  EXPECT_EQ(ed.Map().GetIn(0, 4, 4), 4);
  EXPECT_EQ(ed.Map().GetIn(0, 1, 1), 2);
  ed.tool = ruvel::TMapTool::kEyedropper;
  ed.Press(0, 0);
  EXPECT_EQ(ed.picked, 2);
  ed.tool = ruvel::TMapTool::kEraser;
  ed.Press(0, 0);
  ed.Drag(1, 0);
  ed.Release();
  EXPECT_EQ(ed.Map().GetIn(0, 1, 0), -1);
  ed.Undo();  // the stroke is one step
  EXPECT_EQ(ed.Map().GetIn(0, 0, 0), 2);
  EXPECT_EQ(ed.Map().GetIn(0, 1, 0), 2);
  // A pencil jumping across cells between two moves leaves no gap.
  ed.tool = ruvel::TMapTool::kPencil;
  ed.picked = 9;
  ed.SelectLayer(1);
  ed.Press(0, 4);
  ed.Drag(4, 2);
  ed.Release();
  // One cell per column, each next to the one before.
  int lastRow = 4;
  for (int c = 0; c < 5; ++c) {
    int painted = 0;
    for (int r = 0; r < 5; ++r) {
      if (ed.Map().GetIn(1, c, r) != 9) continue;
      ++painted;
      EXPECT_LE(std::abs(r - lastRow), 1) << c;
      lastRow = r;
    }
    EXPECT_EQ(painted, 1) << c;
  }
  EXPECT_EQ(lastRow, 2);
}

TEST(MapEditorModelTest, TiledMapsOpenAsAMapBesideThemAndTheSheetLineIsRelative) {
  fs::path dir = Scratch("tiled");
  std::ofstream(dir / "level.tmj") << R"({"width":2,"height":1,"tilewidth":8,"tileheight":8,"infinite":false,
    "tilesets":[{"firstgid":1}],"layers":[{"type":"tilelayer","name":"ground","width":2,"height":1,"data":[2,0]}]})";
  ruvel::TMapEditor ed;
  ed.Open((dir / "level.tmj").string());
  EXPECT_EQ(ed.Path(), (dir / "level.map").string());
  EXPECT_TRUE(ed.Dirty());
  EXPECT_EQ(ed.Map().GetIn(0, 0, 0), 1);
  fs::create_directories(dir / "images");
  ed.ChooseSheet((dir / "images" / "tiles.png").string());
  EXPECT_EQ(ed.Map().Sheet(), "images/tiles.png");
  EXPECT_FALSE(ed.Sheet().Error().empty());  // there is no such file
  ASSERT_TRUE(ed.Save());
  ruvel::TTileMap saved = ruvel::TTileMap::Load((dir / "level.map").string());
  EXPECT_EQ(saved.Sheet(), "images/tiles.png");
  EXPECT_EQ(saved.Layers()[0].name, "ground");
  ed.Undo();
  EXPECT_EQ(ed.Map().Sheet(), "");
  // A broken file is refused and the open map stays.
  std::ofstream(dir / "bad.map") << "map 2 2 8 8\n1,2\n";
  EXPECT_THROW(ed.Open((dir / "bad.map").string()), ruvel::TMapError);
  EXPECT_EQ(ed.Path(), (dir / "level.map").string());
}

TEST(MapEditorModelTest, ZoomKeepsThePointUnderThePointerAndCellsFollow) {
  ruvel::TMapEditor ed;
  ed.New("z.map", 100, 100, 16, 16);
  int32_t col = 0;
  int32_t row = 0;
  ASSERT_TRUE(ed.CellAt(40, 40, col, row));
  EXPECT_EQ(col, 2);
  ed.ZoomBy(2, 40, 40);  // 100 % -> 200 %
  EXPECT_DOUBLE_EQ(ed.Zoom(), 2.0);
  ASSERT_TRUE(ed.CellAt(40, 40, col, row));
  EXPECT_EQ(col, 2);
  ASSERT_TRUE(ed.CellAt(0, 0, col, row));
  EXPECT_EQ(col, 1);  // map pixel 20 is at the view's corner now
  EXPECT_FALSE(ed.CellAt(-100, 0, col, row));
}

}  // namespace
