// The pattern registration window's rules: the proposed "$pat_" name, the
// variable-name check, the duplicate check with their messages, and adding
// a sheet from outside the project (copied in, registered, numbered).
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "devui/pattern_window.h"
#include "screen/pattern_sheet.h"
#include "platform/paths.h"
#include "io/temp_dir.h"
#include "pages/page.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource.h"
#include "resources/resource_pattern.h"
#include "resources/resource_tree.h"
#include "screen/patterns.h"
#include "screen/script_globals.h"
#include "vm/vm_state.h"
#include "test_paths.h"

namespace ruvel::test {

namespace {

class ShownMessages : public MessageSink {
 public:
  void ShowMessage(const std::string& t) override { shown.push_back(t); }
  void Log(const std::string&) override {}
  std::vector<std::string> shown;
};

// A white sheet with n black 6 x 6 frames in a row.
void WriteSheet(const std::string& path, int n) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 12 * n + 4, 12, 24, SDL_PIXELFORMAT_RGB24);
  SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 255, 255, 255));
  uint32_t black = SDL_MapRGB(s->format, 0, 0, 0);
  for (int i = 0; i < n; ++i) {
    SDL_Rect top{1 + 12 * i, 1, 8, 1}, bottom{1 + 12 * i, 8, 8, 1}, left{1 + 12 * i, 1, 1, 8}, right{8 + 12 * i, 1, 1, 8};
    for (SDL_Rect* r : {&top, &bottom, &left, &right}) SDL_FillRect(s, r, black);
  }
  SDL_SaveBMP(s, path.c_str());
  SDL_FreeSurface(s);
}

}  // namespace

class PatternWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldSink = SetSink(&sink);
    oldProgramDir = ProgramDir();
    SetProgramDir(dir.Path());
    dir.MakeDir("Kernel/images");
    dir.MakeDir("page");
    dir.MakeDir("outside");
    std::filesystem::copy_file(ruvel_test::TestSourceDir() + "/Kernel/images/404.bmp", dir / "Kernel/images/404.bmp");
    InstallPatterns();
    ResetPatterns();
    auto root = std::make_unique<TResourceList>();
    auto* globals = new TResourceList();
    globals->name = "usrglobal";
    root->AddChild(globals);
    auto* kernelPatterns = new TResourceList();
    kernelPatterns->name = "patterns";
    root->AddChild(kernelPatterns);
    auto* usr = new TResourceList();
    usr->name = "usr";
    auto* patterns = new TResourceList();
    patterns->name = "patterns";
    usr->AddChild(patterns);
    root->AddChild(usr);
    SetRoot(std::move(root));
    oldPageDir = PageState().currentDir;
    PageState().currentDir = dir / "page";
  }
  void TearDown() override {
    PageState().currentDir = oldPageDir;
    FreeRoot();
    ResetPatterns();
    SetProgramDir(oldProgramDir);
    SetSink(oldSink);
  }

  TempDir dir;
  ShownMessages sink;
  MessageSink* oldSink = nullptr;
  std::string oldProgramDir;
  std::string oldPageDir;
};

TEST_F(PatternWindowTest, TheProposedNameKeepsLettersDigitsAndUnderscores) {
  EXPECT_EQ(TPatternWindow::ProposedName("/a/b/My-Sheet_2.v1.png"), "$pat_MySheet_2");
  EXPECT_EQ(TPatternWindow::ProposedName("chars.bmp"), "$pat_chars");
  EXPECT_EQ(TPatternWindow::ProposedName("/x/.bmp"), "$pat_");
}

TEST_F(PatternWindowTest, NamesMustBeVariableNamesAndNew) {
  EXPECT_TRUE(TPatternWindow::ValidName("$pat_a1"));
  EXPECT_TRUE(TPatternWindow::ValidName(J("$漢字")));
  EXPECT_FALSE(TPatternWindow::ValidName("pat_a"));
  EXPECT_FALSE(TPatternWindow::ValidName("$a-b"));
  EXPECT_FALSE(TPatternWindow::ValidName("$a b"));
  EXPECT_EQ(TPatternWindow::CheckName("$ok"), "");
  EXPECT_EQ(TPatternWindow::CheckName("a-b"), "a-b" + J("は変数名として利用できません"));
  FindList("usr.patterns")->AddChild(new TCPat("$pat_x", dir / "page/x.bmp"));
  EXPECT_EQ(TPatternWindow::CheckName("$PAT_X"), "$PAT_X" + J("はすでにあります"));
}

TEST_F(PatternWindowTest, AddingASheetCopiesItInRegistersItAndListsIt) {
  WriteSheet(dir / "page/first.bmp", 2);
  WriteSheet(dir / "outside/My-Sheet.v1.bmp", 3);
  TPatternWindow w;
  w.Pick(dir / "page/first.bmp");
  EXPECT_EQ(w.name, "$pat_first");
  ASSERT_TRUE(w.Add());
  int32_t afterFirst = PatternCount();
  EXPECT_EQ(afterFirst, 2);
  w.Pick(dir / "outside/My-Sheet.v1.bmp");
  EXPECT_EQ(w.name, "$pat_MySheet");
  ASSERT_TRUE(w.Add());
  EXPECT_TRUE(sink.shown.empty()) << (sink.shown.empty() ? "" : sink.shown[0]);
  // Copied into the project's (here the page's) folder, and used from there.
  EXPECT_TRUE(PathExists(dir / "page/My-Sheet.v1.bmp"));
  auto rows = w.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].first, "$pat_first");
  EXPECT_EQ(rows[1].first, "$pat_MySheet");
  EXPECT_EQ(rows[1].second, dir / "page/My-Sheet.v1.bmp");
  // The new sheet's patterns follow the first sheet's.
  EXPECT_EQ(GlobalInt("$pat_first"), 0);
  EXPECT_EQ(GlobalInt("$pat_MySheet"), afterFirst);
  EXPECT_EQ(PatternCount(), afterFirst + 3);
  // The same name again is refused with its message.
  w.Pick(dir / "outside/My-Sheet.v1.bmp");
  EXPECT_FALSE(w.Add());
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0], "$pat_MySheet" + J("はすでにあります"));
  w.name = "bad name";
  EXPECT_FALSE(w.Add());
  EXPECT_EQ(sink.shown.back(), "bad name" + J("は変数名として利用できません"));
  EXPECT_EQ(w.Rows().size(), 2u);

  // A sheet in a folder under the project's (images/, where the pattern
  // editor puts new sheets) is used where it lies, and listed with its cut.
  dir.MakeDir("page/images");
  WriteSheet(dir / "page/images/third.bmp", 1);
  w.Pick(dir / "page/images/third.bmp");
  ASSERT_TRUE(w.Add());
  EXPECT_FALSE(PathExists(dir / "page/third.bmp"));
  auto sheets = w.SheetRows();
  ASSERT_EQ(sheets.size(), 3u);
  EXPECT_EQ(sheets[2].src, dir / "page/images/third.bmp");
  EXPECT_EQ(sheets[2].first, afterFirst + 3);
  ASSERT_TRUE(sheets[2].sheet);
  EXPECT_EQ(sheets[2].sheet->Count(), 1);
}

}  // namespace ruvel::test
