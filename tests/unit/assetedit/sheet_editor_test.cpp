// The pattern editor's model on sheets made in memory: the tools that are
// awkward to reach with a mouse (fill, flips, turn, paste), undo and redo
// with the changed flag, new patterns as the cutter numbers them, and
// saving (both formats read back, a failed save keeps the edit).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "assetedit/sheet_editor.h"
#include "assetedit/sheet_file.h"
#include "screen/pattern_cutter.h"

namespace fs = std::filesystem;
using namespace ruvel;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kFrame = 0xFF00FF;

fs::path TempDir(const char* name) {
  fs::path dir = fs::temp_directory_path() / ("ruvel_sheet_" + std::to_string(getpid()) + "_" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// A white 40 x 20 sheet with one 6 x 6 pattern framed at (1, 1) whose
// key colour is the frame's, saved as path.
void WriteSheet(const fs::path& path) {
  TPixelImage image = BlankSheet(40, 20, kWhite);
  DrawRect(image, TRect{1, 1, 9, 9}, kFrame, false);
  std::string bytes;
  std::string error;
  if (path.extension() == ".png") ASSERT_TRUE(EncodePng(image, bytes, error)) << error;
  else bytes = EncodeBmp(image);
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

TEST(SheetEditor, ToolsUndoRedoAndChangedFlag) {
  fs::path dir = TempDir("tools");
  WriteSheet(dir / "s.bmp");
  TSheetEditor e;
  e.Open((dir / "s.bmp").string());
  ASSERT_EQ(e.Cut().elems.size(), 1u);
  EXPECT_FALSE(e.Dirty());
  EXPECT_EQ(e.Palette().front(), kWhite);  // most used first

  // Fill the pattern's inside: stops at the frame.
  e.color = 0x00FF00;
  e.tool = TSheetTool::kFill;
  e.Press(4, 4);
  e.Release(4, 4);
  EXPECT_EQ(e.Image().At(2, 2), 0x00FF00u);
  EXPECT_EQ(e.Image().At(1, 1), kFrame);
  EXPECT_EQ(e.Image().At(12, 4), kWhite);
  EXPECT_TRUE(e.Dirty());

  // One red pixel, then flips and a turn of a selection around it.
  e.tool = TSheetTool::kPencil;
  e.color = 0xFF0000;
  e.Press(2, 2);
  e.Release(2, 2);
  e.Select(TRect{2, 2, 5, 4});  // 3 wide, 2 high
  ASSERT_TRUE(e.Flip(true));
  EXPECT_EQ(e.Image().At(4, 2), 0xFF0000u);
  EXPECT_EQ(e.Image().At(2, 2), 0x00FF00u);
  ASSERT_TRUE(e.Flip(false));
  EXPECT_EQ(e.Image().At(4, 3), 0xFF0000u);
  // Clockwise: (2, 1) of the 3 x 2 block goes to (0, 2) of the 2 x 3 one.
  ASSERT_TRUE(e.Turn());
  EXPECT_EQ(*e.Selection(), (TRect{2, 2, 4, 5}));
  EXPECT_EQ(e.Image().At(2, 4), 0xFF0000u);
  EXPECT_EQ(e.Image().At(4, 2), kWhite);  // left behind: background

  // Copy and paste onto another spot; the paste is selected.
  ASSERT_TRUE(e.Copy());
  e.Select(TRect{20, 10, 21, 11});
  ASSERT_TRUE(e.Paste());
  EXPECT_EQ(*e.Selection(), (TRect{20, 10, 22, 13}));
  EXPECT_EQ(e.Image().At(20, 12), 0xFF0000u);

  // Every step undoes back to the file's pixels, and the flag follows.
  TPixelImage edited = e.Image();
  int steps = 0;
  while (e.Undo()) ++steps;
  EXPECT_EQ(steps, 6);
  EXPECT_FALSE(e.Dirty());
  EXPECT_EQ(e.Image().At(2, 2), kWhite);
  while (e.Redo()) {}
  EXPECT_EQ(e.Image().pixels, edited.pixels);
  EXPECT_TRUE(e.Dirty());
}

TEST(SheetEditor, NewPatternIsFramedAndNumberedInRasterOrder) {
  fs::path dir = TempDir("newpat");
  WriteSheet(dir / "s.png");
  TSheetEditor e;
  e.Open((dir / "s.png").string());
  EXPECT_EQ(e.FrameColor(), kFrame);
  // Its frame would start on row 0, above the existing frame's row 1, so
  // it would come first.
  e.Select(TRect{20, 1, 25, 5});
  EXPECT_EQ(e.NewPatternIndex(*e.Selection()), 0);
  // A frame that would leave the sheet is refused.
  e.Select(TRect{0, 12, 4, 16});
  EXPECT_EQ(e.NewPattern(), -1);
  e.Select(TRect{12, 12, 18, 17});
  EXPECT_EQ(e.NewPattern(), 1);
  ASSERT_EQ(e.Cut().elems.size(), 2u);
  EXPECT_EQ(e.Cut().elems[1].rect, (TRect{12, 12, 18, 17}));
  EXPECT_EQ(e.Image().At(11, 11), kFrame);
  e.SetRegistration("$pat_s", 7);
  EXPECT_EQ(e.NumberText(1), "$pat_s + 1");
  EXPECT_EQ(e.PatternAt(12, 12), 1);
  EXPECT_EQ(e.PatternAt(11, 11), -1);
  // Two patterns at 2 frames a second: 0, 0... 1 after 500 ms, 0 again at 1 s.
  EXPECT_EQ(TSheetEditor::AnimationFrame(0, 1, 2.0, 499), 0);
  EXPECT_EQ(TSheetEditor::AnimationFrame(0, 1, 2.0, 500), 1);
  EXPECT_EQ(TSheetEditor::AnimationFrame(0, 1, 2.0, 1000), 0);

  // Saved as PNG and read back: the same pixels, the same cut.
  std::string error;
  ASSERT_TRUE(e.Save(error)) << error;
  EXPECT_FALSE(e.Dirty());
  TPixelImage back;
  ASSERT_TRUE(LoadPatternImage((dir / "s.png").string(), back, error)) << error;
  EXPECT_EQ(back.pixels, e.Image().pixels);
  EXPECT_EQ(CutSheet(back).elems, e.Cut().elems);
}

// The folder is made read-only; root writes there anyway, so for root it
// is moved away instead, which fails the save the same way.
TEST(SheetEditor, FailedSaveKeepsTheEditAndTheFlag) {
  fs::path dir = TempDir("readonly");
  WriteSheet(dir / "s.bmp");
  TSheetEditor e;
  e.Open((dir / "s.bmp").string());
  e.Press(30, 15);
  e.Release(30, 15);
  bool root = geteuid() == 0;
  fs::path aside = dir.string() + "_aside";
  if (root) fs::rename(dir, aside);
  else chmod(dir.c_str(), 0555);
  std::string error;
  EXPECT_FALSE(e.Save(error));
  if (root) fs::rename(aside, dir);
  else chmod(dir.c_str(), 0755);
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(e.Dirty());
  EXPECT_EQ(e.Image().At(30, 15), 0x000000u);
  TPixelImage onDisk;
  ASSERT_TRUE(LoadPatternImage((dir / "s.bmp").string(), onDisk, error));
  EXPECT_EQ(onDisk.At(30, 15), kWhite);
  // Saved once the folder can be written again: the BMP holds the pixel.
  ASSERT_TRUE(e.Save(error)) << error;
  ASSERT_TRUE(LoadPatternImage((dir / "s.bmp").string(), onDisk, error));
  EXPECT_EQ(onDisk.pixels, e.Image().pixels);
}
