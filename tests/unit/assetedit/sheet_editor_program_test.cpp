// `ruvel --edit-sheet` driven by an --input replay on a copy of the
// tutorial's sheet, widened by a free strip: pencil and rectangle inside
// the first pattern, the rectangle undone with Ctrl+Z, a new pattern framed
// around a selection in the strip, Ctrl+S. The saved file must hold the
// pencil stroke but not the rectangle, and the cutter must find the new
// pattern where the replay selected it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "assetedit/sheet_file.h"
#include "assetedit/sheet_pixels.h"
#include "screen/pattern_cutter.h"
#include "test_paths.h"

namespace fs = std::filesystem;
using namespace ruvel;

namespace {

constexpr int kZoom = 4;  // the editor's first zoom; the sheet starts at the window's corner

// Replay lines of a mouse drag from sheet pixel (x0, y0) to (x1, y1),
// one step a frame from frame f on; f is left after the release.
void Drag(std::ostringstream& s, long& f, int x0, int y0, int x1, int y1) {
  auto at = [](int v) { return v * kZoom + kZoom / 2; };
  s << f++ << " move " << at(x0) << " " << at(y0) << "\n";
  s << f++ << " press left " << at(x0) << " " << at(y0) << "\n";
  s << f++ << " move " << at(x1) << " " << at(y1) << "\n";
  s << f++ << " release left " << at(x1) << " " << at(y1) << "\n";
  f += 2;
}

void Key(std::ostringstream& s, long& f, const char* key, bool ctrl = false) {
  if (ctrl) s << f++ << " down CONTROL\n";
  s << f++ << " down " << key << "\n";
  s << f++ << " up " << key << "\n";
  if (ctrl) s << f++ << " up CONTROL\n";
  f += 2;
}

}  // namespace

TEST(SheetEditorProgram, ReplayDrawsUndoesFramesAndSaves) {
  fs::path dir = fs::temp_directory_path() / ("ruvel_sheet_program_" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string error;
  TPixelImage tutorial;
  ASSERT_TRUE(LoadPatternImage(ruvel_test::TestSourceDir() + "/examples/tutorial/images/sheet.bmp", tutorial, error)) << error;
  TCutResult before = CutSheet(tutorial);
  ASSERT_TRUE(before.cutOk);
  ASSERT_FALSE(before.elems.empty());
  // The copy: the tutorial's sheet with 30 free columns on its right.
  uint32_t bg = tutorial.At(0, 0);
  TPixelImage sheet = BlankSheet(tutorial.width + 30, tutorial.height, bg);
  PasteBlock(sheet, CopyBlock(tutorial, TRect{0, 0, tutorial.width, tutorial.height}), 0, 0);
  fs::path file = dir / "sheet.bmp";
  std::ofstream(file, std::ios::binary) << EncodeBmp(sheet);

  const TRect p0 = before.elems[0].rect;
  const TRect fresh{tutorial.width + 10, 8, tutorial.width + 20, 18};
  std::ostringstream replay;
  long f = 3;
  Key(replay, f, "P");
  Drag(replay, f, p0.left + 1, p0.top + 1, p0.left + 5, p0.top + 1);
  Key(replay, f, "R");
  Drag(replay, f, p0.left + 2, p0.top + 4, p0.left + 6, p0.top + 8);
  Key(replay, f, "Z", true);
  Key(replay, f, "S");
  Drag(replay, f, fresh.left, fresh.top, fresh.right - 1, fresh.bottom - 1);
  Key(replay, f, "N");
  Key(replay, f, "S", true);
  std::ofstream(dir / "replay.txt") << replay.str();

  std::string cmd = ruvel_test::TestBuildDir() + "/ruvel --headless --edit-sheet " + file.string() + " --input " +
                    (dir / "replay.txt").string() + " --frames " + std::to_string(f + 3) + " --screenshot " +
                    (dir / "shot.png").string();
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;

  TPixelImage saved;
  ASSERT_TRUE(LoadPatternImage(file.string(), saved, error)) << error;
  for (int x = p0.left + 1; x <= p0.left + 5; ++x) EXPECT_EQ(saved.At(x, p0.top + 1), 0x000000u) << "pencil at x " << x;
  // The rectangle's corner and side are back to the tutorial's pixels.
  EXPECT_EQ(saved.At(p0.left + 2, p0.top + 6), tutorial.At(p0.left + 2, p0.top + 6));
  EXPECT_EQ(saved.At(p0.left + 6, p0.top + 8), tutorial.At(p0.left + 6, p0.top + 8));
  TCutResult after = CutSheet(saved);
  ASSERT_TRUE(after.cutOk);
  ASSERT_EQ(after.elems.size(), before.elems.size() + 1);
  EXPECT_EQ(after.elems.back().rect, fresh);
  EXPECT_GT(ColorDistance(saved.At(fresh.left - 1, fresh.top - 1), bg), kInkDistance);
  fs::remove_all(dir);
}
