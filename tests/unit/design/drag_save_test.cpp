// Design mode driven through the screen's mouse handlers and the design
// keys: selecting, dragging on the grid, saving the page and opening it
// again.
#include <SDL.h>

#include <filesystem>

#include "design_fixture.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/page_script.h"
#include "platform/surface.h"
#include "screen/host_state.h"
#include "shell/design_session.h"

namespace ruvel::test {

namespace {

namespace fs = std::filesystem;

// The line of the page file that holds the generator of name.
std::string GeneratorLine(const std::string& text, const std::string& name) {
  size_t at = text.find("name=\"" + name + "\"");
  if (at == std::string::npos) return {};
  size_t begin = text.rfind('\n', at);
  size_t end = text.find('\n', at);
  begin = begin == std::string::npos ? 0 : begin + 1;
  return text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// The bundled game's play page, copied: the fighter is dragged, Ctrl+S
// saves, and the page opened again shows it where it was dropped.
TEST_F(DesignTest, DraggedObjectIsSavedAndReopensWhereItWasDropped) {
  std::string page = CopyBundledPage("play.cmml");
  std::string shipped = ReadFile(page);
  StartUp(page, true);
  ASSERT_TRUE(HostState().designMode);
  ASSERT_TRUE(errors.empty()) << errors.front();
  ASSERT_EQ(MemberInt("$player", "x"), 280);
  ASSERT_EQ(MemberInt("$player", "y"), 330);
  std::string base = "Game";
  EXPECT_EQ(WindowCaption(base, *screen).rfind("play.cmml - Game", 0), 0u) << WindowCaption(base, *screen);

  Press(281, 331);
  EXPECT_EQ(TDesignEditor::Selected(), Object("$player"));
  DragTo(284, 334);  // within the grid cell of the press: nothing moves
  EXPECT_EQ(MemberInt("$player", "x"), 280);
  EXPECT_FALSE(screen->Design().Modified());
  DragTo(322, 286);
  DragTo(323, 283);
  Release(323, 283);
  // The pointer moved five grid steps right and six up.
  EXPECT_EQ(MemberInt("$player", "x"), 320);
  EXPECT_EQ(MemberInt("$player", "y"), 280);
  EXPECT_TRUE(screen->Design().Modified());
  EXPECT_EQ(WindowCaption(base, *screen).rfind("*play.cmml", 0), 0u);
  EXPECT_EQ(ReadFile(page), shipped) << "nothing is written before the save";

  // Ctrl+S.
  ASSERT_TRUE(HandleDesignKey(*screen, SDL_SCANCODE_S, true));
  EXPECT_FALSE(screen->Design().Modified());
  EXPECT_EQ(WindowCaption(base, *screen).rfind("play.cmml", 0), 0u);
  std::string saved = ReadFile(page);
  std::string line = GeneratorLine(saved, "$player");
  EXPECT_TRUE(Contains(line, "inst_x=\"320\"")) << line;
  EXPECT_TRUE(Contains(line, "inst_y=\"280\"")) << line;
  EXPECT_TRUE(Contains(GeneratorLine(saved, "$stars"), "inst_x=\"0\""));
  EXPECT_FALSE(PathExists(PageScriptPath(page))) << "the page script of the old positions is gone";
  EXPECT_EQ(ReadFile(SourceFile("Usr/play.cmml")), shipped);

  // Reopened to play, in a new script world of the same program directory.
  StartUp(page, false);
  ASSERT_FALSE(HostState().designMode);
  ASSERT_TRUE(VM().rootProcess);
  EXPECT_EQ(MemberInt("$player", "x"), -99999) << "objects are placed by the first frame";
  screen->designStep();  // one drawing step of the root process
  EXPECT_EQ(MemberInt("$player", "x"), 320);
  EXPECT_EQ(MemberInt("$player", "y"), 280);
}

TEST_F(DesignTest, PressSelectsTheObjectDrawnOnTopAndRunsEveryOwnersMouseDown) {
  // $a draws a square far back and a badge in front of everything; $b lies
  // between the two.
  std::string page = WriteBoxPage({
      "name=\"$a\" inst_x=\"100\" inst_y=\"100\" inst_depth=\"10\" inst_colour=\"255\" inst_badge=\"1\"",
      "name=\"$b\" inst_x=\"105\" inst_y=\"100\" inst_depth=\"5\" inst_colour=\"65280\" inst_badge=\"0\"",
  });
  StartUp(page, true);
  ASSERT_TRUE(HostState().designMode);
  ASSERT_TRUE(errors.empty()) << errors.front();

  Press(108, 100);  // $a's square and $b, not the badge
  EXPECT_EQ(GlobalIntValue("$downs"), 2);
  EXPECT_EQ(TDesignEditor::Selected(), Object("$b"));
  Release(108, 100);
  EXPECT_EQ(Object("$inspected"), Object("$b"));

  Press(100, 100);  // the badge of $a lies over $b
  EXPECT_EQ(GlobalIntValue("$downs"), 4);
  EXPECT_EQ(TDesignEditor::Selected(), Object("$a"));
  DragTo(100, 140);
  Release(100, 140);
  EXPECT_EQ(Object("$inspected"), Object("$a"));
  // 140 lies halfway between two grid lines and goes to the next one; x
  // lands on the grid too.
  EXPECT_EQ(MemberInt("$a", "y"), 144);
  EXPECT_EQ(MemberInt("$a", "x"), 104);
  EXPECT_EQ(MemberInt("$b", "y"), 100) << "only the selected object moves";

  Press(400, 300);  // empty space drops the selection
  EXPECT_EQ(TDesignEditor::Selected(), nullptr);
  DragTo(440, 300);
  Release(440, 300);
  EXPECT_EQ(MemberInt("$a", "x"), 104);
  EXPECT_EQ(MemberInt("$b", "x"), 105);
}

TEST_F(DesignTest, ClicksLeaveObjectsAloneAndDragsLandOnTheGrid) {
  std::string page = WriteBoxPage({
      "name=\"$a\" inst_x=\"101\" inst_y=\"99\" inst_depth=\"0\" inst_colour=\"255\" inst_badge=\"0\"",
  });
  StartUp(page, true);
  ASSERT_TRUE(HostState().designMode);

  Press(101, 99);
  Release(101, 99);
  Press(101, 99);
  DragTo(103, 101);  // same cell as the press
  Release(103, 101);
  EXPECT_EQ(MemberInt("$a", "x"), 101);
  EXPECT_EQ(MemberInt("$a", "y"), 99);
  EXPECT_FALSE(screen->Design().Modified());

  Press(101, 99);
  DragTo(110, 99);  // one grid step right
  Release(110, 99);
  EXPECT_EQ(MemberInt("$a", "x"), 112);
  EXPECT_EQ(MemberInt("$a", "y"), 96);
  EXPECT_TRUE(screen->Design().Modified());

  // The arrow keys move the selection by one grid step; Escape drops it.
  EXPECT_TRUE(HandleDesignKey(*screen, SDL_SCANCODE_LEFT, false));
  EXPECT_TRUE(HandleDesignKey(*screen, SDL_SCANCODE_DOWN, false));
  EXPECT_EQ(MemberInt("$a", "x"), 104);
  EXPECT_EQ(MemberInt("$a", "y"), 104);
  EXPECT_TRUE(HandleDesignKey(*screen, SDL_SCANCODE_ESCAPE, false));
  EXPECT_EQ(TDesignEditor::Selected(), nullptr);
  EXPECT_TRUE(HandleDesignKey(*screen, SDL_SCANCODE_RIGHT, false));
  EXPECT_EQ(MemberInt("$a", "x"), 104) << "nothing selected, nothing moves";
}

TEST_F(DesignTest, SelectionFrameIsDrawnAroundTheSelectedObject) {
  std::string page = WriteBoxPage({
      "name=\"$a\" inst_x=\"100\" inst_y=\"100\" inst_depth=\"0\" inst_colour=\"255\" inst_badge=\"0\"",
  });
  StartUp(page, true);
  ASSERT_TRUE(HostState().designMode);
  // The square covers 90..109; the frame runs two pixels outside it.
  uint32_t before = screen->BackBuffer().GetPixel(88, 100);
  EXPECT_EQ(screen->BackBuffer().GetPixel(100, 100), 0x0000FFu);
  Press(100, 100);
  Release(100, 100);
  EXPECT_EQ(screen->BackBuffer().GetPixel(88, 100), 0x00FFFFu);
  EXPECT_EQ(screen->BackBuffer().GetPixel(111, 100), 0x00FFFFu);
  EXPECT_EQ(screen->BackBuffer().GetPixel(100, 88), 0x00FFFFu);
  EXPECT_EQ(screen->BackBuffer().GetPixel(100, 100), 0x0000FFu);
  ASSERT_TRUE(HandleDesignKey(*screen, SDL_SCANCODE_ESCAPE, false));
  EXPECT_EQ(screen->BackBuffer().GetPixel(88, 100), before);
}

TEST_F(DesignTest, SaveThatCannotWriteKeepsTheUnsavedMark) {
  std::string page = WriteBoxPage({
      "name=\"$a\" inst_x=\"96\" inst_y=\"96\" inst_depth=\"0\" inst_colour=\"255\" inst_badge=\"0\"",
  });
  StartUp(page, true);
  ASSERT_TRUE(HostState().designMode);
  Press(96, 96);
  DragTo(120, 96);
  Release(120, 96);
  ASSERT_TRUE(screen->Design().Modified());
  std::string moved = dir + ".moved";
  fs::rename(dir, moved);
  EXPECT_FALSE(SaveDesignedPage(*screen));
  fs::rename(moved, dir);
  EXPECT_TRUE(sink.Shown("を保存できませんでした"));
  EXPECT_TRUE(screen->Design().Modified());
  EXPECT_EQ(WindowCaption("Game", *screen).rfind("*", 0), 0u);
  EXPECT_TRUE(SaveDesignedPage(*screen));
  EXPECT_TRUE(Contains(ReadFile(page), "inst_x=\"120\""));
}

TEST_F(DesignTest, OutsideDesignModeTheMouseMovesNothingAndCtrlSSavesNothing) {
  std::string page = WriteBoxPage({
      "name=\"$a\" inst_x=\"100\" inst_y=\"100\" inst_depth=\"0\" inst_colour=\"255\" inst_badge=\"0\"",
  });
  std::string text = ReadFile(page);
  StartUp(page, false);
  ASSERT_FALSE(HostState().designMode);
  screen->designStep();
  Press(100, 100);
  EXPECT_EQ(GlobalIntValue("$downs"), 1);
  DragTo(140, 140);
  Release(140, 140);
  EXPECT_EQ(MemberInt("$a", "x"), 100);
  EXPECT_FALSE(HandleDesignKey(*screen, SDL_SCANCODE_S, true));
  EXPECT_FALSE(SaveDesignedPage(*screen));
  EXPECT_EQ(ReadFile(page), text);
  EXPECT_EQ(WindowCaption("Game", *screen), "Game");
}

}  // namespace ruvel::test
