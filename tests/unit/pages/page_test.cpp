// Loading, running, saving and switching pages, and the open command.
#include <filesystem>

#include "compiler/snippet.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/page_hash.h"
#include "pages/project.h"
#include "pages_fixture.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "screen/host_state.h"
#include "shell/frame_loop.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace {

// A ball that writes its state back and asks for another page in the
// second update step when $switchTo is set.
const char kBall[] =
    "extends classes.game.Char;\n"
    "function onSaveToGen() {\n"
    "  setGenAttr(\"x\", x);\n"
    "  setGenAttr(\"label\", label);\n"
    "  changeAttr(\"gone\", \"\");\n"
    "}\n"
    "function main() {\n"
    "  while (1) {\n"
    "    ticks = ticks + 1;\n"
    "    if (ticks == 2 && $switchTo) {\n"
    "      pg = new Page();\n"
    "      pg.open($switchTo);\n"
    "    }\n"
    "    suspend();\n"
    "  }\n"
    "}\n";

}  // namespace

TEST_F(PagesTest, APageLoadedAndRunHeadlessPlacesItsObjects) {
  std::string page = WritePage("game/main.cmml", {{"Ball", kBall}},
                               {"<generator className=\"Ball\" name=\"$a\" inst_x=\"10\">",
                                "<generator className=\"Ball\" name=\"$b\" inst_x=\"20\">"});
  LoadAndRunPage(page);
  EXPECT_EQ(PageState().currentFile, page);
  EXPECT_EQ(PageDir(), Path("game"));
  EXPECT_TRUE(PageState().runnable);
  EXPECT_FALSE(HostState().halted);
  EXPECT_FALSE(HostState().designMode);
  ASSERT_NE(VM().rootProcess, nullptr);
  Steps(3);
  EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : ToUtf8(errors.front()));
  ASSERT_EQ(Global("$a")->tag, kObject);
  EXPECT_EQ(Global("$a")->obj->cls, FindClass("project.classes.Ball"));
  EXPECT_EQ(ValueToInt(*Member("$a", "x")), 10);
  EXPECT_EQ(ValueToInt(*Member("$b", "x")), 20);
  EXPECT_EQ(ValueToInt(*Member("$b", "ticks")), 3);
  EXPECT_EQ(ValueToInt(*SnippetValue("$procs.size()")), 2);
  EXPECT_EQ(ValueToInt(*SnippetValue("$_design_mode")), 0);
  // The page's class was copied into the project's list and compiled there.
  ASSERT_NE(FindClass("project.classes.Ball"), nullptr);
  EXPECT_TRUE(FindClass("project.classes.Ball")->Compiled);
  EXPECT_FALSE(FindClass("usr.classes.Ball")->Compiled);
  EXPECT_TRUE(sink.Logged("Loading Page " + page));
}

TEST_F(PagesTest, AMissingPageIsReportedAndChangesNothing) {
  std::string page = WritePage("game/main.cmml", {{"Ball", kBall}}, {"<generator className=\"Ball\" name=\"$a\">"});
  LoadAndRunPage(page);
  TProcess* root = VM().rootProcess;
  ASSERT_NE(root, nullptr);
  HostState().halted = false;
  EXPECT_EQ(LoadPage("nothere.cmml"), 0);
  EXPECT_TRUE(sink.Shown(Path("game/nothere.cmml") + "はありません"));
  EXPECT_TRUE(HostState().halted);
  EXPECT_EQ(PageState().currentFile, page);
  EXPECT_EQ(VM().rootProcess, root);
  // Load and run starts nothing for a missing file either.
  LoadAndRunPage("nothere.cmml");
  EXPECT_EQ(VM().rootProcess, root);
}

TEST_F(PagesTest, ObjectsWriteTheirStateBackWhenThePageIsSaved) {
  std::string page = WritePage(
      "game/main.cmml", {{"Ball", kBall}},
      {"<generator className=\"Ball\" name=\"$a\" inst_x=\"10\" inst_gone=\"1\" inst_label=\"%22a%22\">"});
  LoadAndRunPage(page);
  Steps(1);
  ASSERT_EQ(EvaluateSnippet("$a.x = 42; $a.label = \"\";", true), 0);
  ASSERT_TRUE(SaveNode("usr"));
  std::vector<std::string> lines = ReadLines(page);
  // Both globals the screen needs were added to the page and are saved.
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "<resourcelist name=\"usr\">",
                       " <resourcelist name=\"classes\">",
                       "  <class name=\"Ball\" src=\"Ball.ruvel\"/>",
                       " </resourcelist>",
                       " <resourcelist name=\"gen\">",
                       "  <generator className=\"Ball\" name=\"$a\" inst_x=\"42\" inst_label=\"%22%22\"/>",
                       " </resourcelist>",
                       " <resourcelist name=\"global\">",
                       "  <globalvalue name=\"$screenWidth\" value=\"\"/>",
                       "  <globalvalue name=\"$screenHeight\" value=\"\"/>",
                       " </resourcelist>",
                       "</resourcelist>",
                   }));
}

TEST_F(PagesTest, AClassOfTwoPagesIsTakenFromThePageLoadedFirst) {
  Write("game/BallA.ruvel", "extends classes.game.Char;\nfunction kind() { return 1; }\n");
  Write("game/BallB.ruvel", "extends classes.game.Char;\nfunction kind() { return 2; }\n");
  std::string first = Write("game/a.cmml",
        "<resourcelist name=\"usr\"><resourcelist name=\"classes\"><class name=\"Ball\" src=\"BallA.ruvel\">"
        "</resourcelist><resourcelist name=\"gen\"><generator className=\"Ball\" name=\"$a\"></resourcelist>"
        "</resourcelist>");
  std::string second = Write("game/b.cmml",
                             "<resourcelist name=\"usr\"><resourcelist name=\"classes\"><class name=\"ball\" "
                             "src=\"BallB.ruvel\"></resourcelist><resourcelist name=\"gen\"><generator "
                             "className=\"Ball\" name=\"$b\"></resourcelist></resourcelist>");
  LoadAndRunPage(first);
  LoadAndRunPage(second);
  Steps(1);
  EXPECT_EQ(FindClass("project.classes.Ball")->sourcePath, Path("game/BallA.ruvel"));
  EXPECT_EQ(ValueToInt(*SnippetValue("$b.kind()")), 1);
}

TEST_F(PagesTest, APagesSoundsJoinTheProjectOnceAndItsIntegrityValueIsReadable) {
  std::string page = WritePage("game/main.cmml", {}, {},
                               " <resourcelist name=\"sounds\"><param name=\"se\" value=\"hit.wav\"></resourcelist>\n");
  LoadAndRunPage(page);
  EXPECT_EQ(ValueToInt(*Global("$_soundAdded")), 1);
  ASSERT_NE(FindResource("project.sounds.se"), nullptr);
  ASSERT_EQ(EvaluateSnippet("extends Object; $_soundAdded = 0; $h = getPageHashCode();", true), 0);
  EXPECT_EQ(ValueToInt(*Global("$h")), PageHashCode(page));
  EXPECT_NE(PageHashCode(page), 0);
  // Nothing new the second time.
  LoadAndRunPage(page);
  EXPECT_EQ(ValueToInt(*Global("$_soundAdded")), 0);
}

TEST_F(PagesTest, AScriptPageSwitchTakesEffectAfterTheFramesStep) {
  std::string two = WritePage("game/two.cmml", {{"Ball", kBall}}, {"<generator className=\"Ball\" name=\"$t\">"});
  std::string one = WritePage("game/one.cmml", {{"Ball", kBall}}, {"<generator className=\"Ball\" name=\"$o\">"});
  LoadAndRunPage(one);
  ASSERT_EQ(EvaluateSnippet("$switchTo = \"two.cmml\";", true), 0);
  ASSERT_NE(VM().rootProcess, nullptr);

  TManualClock clock;
  TFrameLoop loop(clock);
  loop.autoExec = true;
  loop.hooks.sleep = [](int) {};
  loop.hooks.pageSwitchPending = [] { return PrjManager().HasPendingPage(); };
  std::string pageWhenSwitching;
  loop.hooks.performPageSwitch = [&] {
    if (PrjManager().HasPendingPage()) pageWhenSwitching = PageState().currentFile;
    PrjManager().PerformPendingPage();
  };
  clock.Advance(4 * 17.0);
  loop.Main();
  // Steps 3 and 4 were dropped; the switch came after step 2, at the end
  // of the same call, and the first page was still loaded until then.
  EXPECT_EQ(loop.lastSteps, 2);
  EXPECT_EQ(pageWhenSwitching, one);
  EXPECT_EQ(PageState().currentFile, two);
  EXPECT_FALSE(PrjManager().HasPendingPage());
  ASSERT_NE(VM().rootProcess, nullptr);
  ASSERT_EQ(EvaluateSnippet("$switchTo = 0;", true), 0);
  clock.Advance(17.0);
  loop.Main();
  EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : ToUtf8(errors.front()));
  EXPECT_EQ(Global("$t")->tag, kObject);
  EXPECT_EQ(ValueToInt(*SnippetValue("$procs.size()")), 1);
}

TEST_F(PagesTest, OnlyTheLastOfTwoRequestsIsPerformedAndDesignModeIsKept) {
  std::string one = WritePage("game/one.cmml", {{"Ball", kBall}}, {"<generator className=\"Ball\" name=\"$o\">"});
  std::string two = WritePage("game/two.cmml", {{"Ball", kBall}}, {"<generator className=\"Ball\" name=\"$t\">"});
  std::string three = WritePage("game/three.cmml", {{"Ball", kBall}}, {"<generator className=\"Ball\" name=\"$h\">"});
  LoadPage(one);
  StartDesignMode();
  ASSERT_TRUE(HostState().designMode);
  RunDesignStep();
  ASSERT_EQ(EvaluateSnippet("p = new Page(); p.open(\"two.cmml\").open(\"three.cmml\");", true), 0);
  EXPECT_EQ(PrjManager().pendingPage, "three.cmml");
  EXPECT_TRUE(PrjManager().pendingInDesign);
  EXPECT_EQ(PageState().currentFile, one);
  PrjManager().PerformPendingPage();
  EXPECT_EQ(PageState().currentFile, three);
  EXPECT_TRUE(HostState().designMode);
  // One design step ran: the objects are shown but not running.
  EXPECT_EQ(Global("$h")->tag, kObject);
  EXPECT_EQ(ValueToInt(*SnippetValue("$_design_mode")), 1);
  EXPECT_EQ(ValueToInt(*SnippetValue("$chars.size()")), 1);
  EXPECT_EQ(ValueToInt(*SnippetValue("$procs.size()")), 0);
  // Nothing pending: nothing happens.
  TProcess* root = VM().rootProcess;
  PrjManager().PerformPendingPage();
  EXPECT_EQ(VM().rootProcess, root);
}

TEST_F(PagesTest, TheOpenCommandMakesANewPageAndNeverAsksWithoutAWindow) {
  std::string file = Path("fresh/new.cmml");
  std::filesystem::create_directories(Path("fresh"));
  std::string toOpen = file;
  ASSERT_TRUE(OpenPageCommand(toOpen));
  EXPECT_TRUE(toOpen.empty());
  EXPECT_EQ(ReadLines(file), NewPageLines());
  EXPECT_EQ(PageState().currentFile, file);
  // The kernel's Boot runs the empty page.
  ASSERT_NE(VM().rootProcess, nullptr);
  Steps(2);
  EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : ToUtf8(errors.front()));

  // Headless there is no dialog: the command ends without asking.
  std::string none;
  EXPECT_FALSE(OpenPageCommand(none));
  // With a dialog, a cancel ends it too; the title and filter are passed.
  std::string title;
  std::string filter;
  PageHooks().chooseFile = [&](const std::string& t, const std::string& f) {
    title = t;
    filter = f;
    return std::string();
  };
  EXPECT_FALSE(OpenPageCommand(none));
  EXPECT_EQ(ToUtf8(title), "ファイルを開く");
  EXPECT_EQ(ToUtf8(filter), "Ruvelリソースファイル|*.cmml|Ruvelスクリプトファイル|*.ruvel");
  // While the debugger holds execution the command is refused.
  PageHooks().debuggerHolding = [] { return true; };
  toOpen = file;
  EXPECT_FALSE(OpenPageCommand(toOpen));
  EXPECT_TRUE(sink.Shown("先にデバッグウィンドウの「停止」を押してください"));
}

TEST_F(PagesTest, APageThatDoesNotCompileReportsEachErrorOnceWhenOpened) {
  std::string file = WritePage("broken/main.cmml", {{"Bad", "extends classes.game.Char;\nfunction main() { x = ; }\n"}},
                               {"<generator className=\"Bad\" name=\"$bad\">"});
  std::string toOpen = file;
  ASSERT_TRUE(OpenPageCommand(toOpen));
  size_t reports = 0;
  for (const auto& m : errors) reports += ToUtf8(m).find("文法エラー") != std::string::npos;
  EXPECT_EQ(reports, 1u);
  errors.clear();
  EXPECT_FALSE(PageState().runnable);
  EXPECT_TRUE(HostState().halted);
  EXPECT_EQ(VM().rootProcess, nullptr);
  // Mended, the same command runs the page.
  Write("broken/Bad.ruvel", "extends classes.game.Char;\nfunction main() { x = 1; }\n");
  toOpen = file;
  ASSERT_TRUE(OpenPageCommand(toOpen));
  EXPECT_TRUE(PageState().runnable);
  EXPECT_NE(VM().rootProcess, nullptr);
}

}  // namespace ruvel::test
