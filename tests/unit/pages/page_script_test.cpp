// The page script: its file name, its exact text for a page, the objects
// it places when "Boot" runs, and its cache in "Temp".
#include "compiler/snippet.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/page_hash.h"
#include "pages/page_script.h"
#include "pages_fixture.h"
#include "platform/cp932.h"
#include "resources/resource_generator.h"
#include "resources/resource_tree.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace {

const char kBall[] =
    "extends classes.game.Char;\n"
    "constructor Ball() {\n"
    "  x = 0;\n"
    "  ticks = 0;\n"
    "}\n"
    "function main() {\n"
    "  while (1) {\n"
    "    ticks = ticks + 1;\n"
    "    suspend();\n"
    "  }\n"
    "}\n";
const char kPaddle[] = "extends classes.game.Char;\n";

std::vector<std::string> Statement(const std::string& text, int checkpoint) {
  return {text, "$_exec_checkPoint=" + std::to_string(checkpoint) + ";"};
}

}  // namespace

TEST_F(PagesTest, PageScriptFileNameKeepsLettersDigitsAndMarksParentSteps) {
  EXPECT_EQ(PageScriptFileName(Path("game/My Page-1.cmml")), "i116_gameMyPage1cmml.ruvel");
  EXPECT_EQ(PageScriptFileName(home + "/../other/p_2.cmml"), "i116_@otherp_2cmml.ruvel");
  EXPECT_EQ(PageScriptPath(Path("a.cmml")), Path("Temp/i116_acmml.ruvel"));
}

TEST_F(PagesTest, GeneratorsProduceThePageScriptInTwoPasses) {
  std::string page = WritePage("game/main.cmml", {{"Ball", kBall}, {"Paddle", kPaddle}},
                               {"<generator className=\"Ball\" name=\"$a\" inst_x=\"10\">",
                                "<generator className=\"Paddle\" name=\"$b\">"});
  LoadAndRunPage(page);
  ASSERT_NE(VM().rootProcess, nullptr);
  Steps(1);
  std::string script = Path("Temp/i116_gamemaincmml.ruvel");
  ASSERT_TRUE(PathExists(script));
  std::vector<std::string> expected = {"extends Object; $_exec_checkPoint=-1;"};
  int n = 0;
  auto add = [&](const std::string& s) {
    auto lines = Statement(s, ++n);
    expected.insert(expected.end(), lines.begin(), lines.end());
  };
  add("$_hashCode=" + std::to_string(PageHashCode(page)) + ";");
  add("if (!$_design_mode) { for (p in $procs) p.kill();} $chars.clear();");
  add("$a=new Ball();");
  add("$b=new Paddle();");
  add("$a.x=10;");
  add("$a.setGenerator( getResource(\"usr.gen.$a\").getTObject() );");
  add("$a.onGenerate();");
  add("if ($_design_mode==0) { appear($a); }else $chars.add($a);");
  add("_n_refresh();");
  add("$b.setGenerator( getResource(\"usr.gen.$b\").getTObject() );");
  add("$b.onGenerate();");
  add("if ($_design_mode==0) { appear($b); }else $chars.add($b);");
  add("_n_refresh();");
  EXPECT_EQ(ReadLines(script), expected);

  // Every statement ran: the objects exist, carry their generators and
  // run as processes of the kernel.
  EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : ToUtf8(errors.front()));
  EXPECT_EQ(ValueToInt(*Global("$_exec_checkPoint")), n);
  EXPECT_EQ(ValueToInt(*Global("$_hashCode")), PageHashCode(page));
  ASSERT_NE(Member("$a", "x"), nullptr);
  EXPECT_EQ(ValueToInt(*Member("$a", "x")), 10);
  EXPECT_EQ(Member("$b", "_generator")->host, FindResource("usr.gen.$b"));
  Steps(3);
  EXPECT_EQ(ValueToInt(*Member("$a", "ticks")), 4);
  Value* count = SnippetValue("$chars.size()");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(ValueToInt(*count), 2);
}

TEST_F(PagesTest, PageScriptLeavesOutForeignMembersSetsGlobalsAndSkipsMissingClasses) {
  std::string page = WritePage(
      "game/main.cmml", {{"Ball", kBall}},
      {"<generator className=\"Ball\" name=\"$a\" inst_zz=\"1\" inst_ticks=\"5\">",
       "<generator className=\"Ghost\" name=\"$g\" inst_x=\"1\">",
       "<resourcelist name=\"inner\"><generator className=\"Ball\" name=\"$in\"></resourcelist>"},
      " <resourcelist name=\"global\">\n  <globalvalue name=\"$level\" value=\"3\">\n"
      "  <globalvalue name=\"$empty\" value=\"\">\n </resourcelist>\n");
  LoadAndRunPage(page);
  Steps(1);
  std::vector<std::string> lines = ReadLines(Path("Temp/i116_gamemaincmml.ruvel"));
  std::vector<std::string> statements;
  for (size_t i = 1; i < lines.size(); i += 2) statements.push_back(lines[i]);
  ASSERT_GE(statements.size(), 2u);
  statements.erase(statements.begin(), statements.begin() + 2);
  EXPECT_EQ(statements, (std::vector<std::string>{
                            "$level=3;",
                            "$a=new Ball();",
                            "$in=new Ball();",
                            "$a.ticks=5;",
                            "$a.setGenerator( getResource(\"usr.gen.$a\").getTObject() );",
                            "$a.onGenerate();",
                            "if ($_design_mode==0) { appear($a); }else $chars.add($a);",
                            "_n_refresh();",
                            "$in.setGenerator( getResource(\"usr.gen.inner.$in\").getTObject() );",
                            "$in.onGenerate();",
                        }));
  // The missing class is reported once, in the first pass.
  int reports = 0;
  for (const auto& m : sink.shown) reports += ToUtf8(m) == "$gのクラスGhostはありません。オブジェクトの作成を中止します";
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(ValueToInt(*Global("$level")), 3);
}

// The cached page script is reused while the page file is unchanged and
// built again as soon as the page file's bytes change.
TEST_F(PagesTest, ThePageScriptIsReusedUntilThePageFileChanges) {
  std::string page = WritePage("game/main.cmml", {{"Ball", kBall}}, {"<generator className=\"Ball\" name=\"$a\">"});
  LoadAndRunPage(page);
  Steps(1);
  std::string script = Path("Temp/i116_gamemaincmml.ruvel");
  std::vector<std::string> first = ReadLines(script);
  ASSERT_FALSE(first.empty());
  sink.logged.clear();
  LoadAndRunPage(page);
  Steps(1);
  EXPECT_FALSE(sink.Logged("ページ再構築中")) << "unchanged: the cache is used";
  EXPECT_EQ(ReadLines(script), first);

  WritePage("game/main.cmml", {{"Ball", kBall}},
            {"<generator className=\"Ball\" name=\"$a\">", "<generator className=\"Ball\" name=\"$c\">"});
  sink.logged.clear();
  LoadAndRunPage(page);
  Steps(1);
  EXPECT_TRUE(sink.Logged("ページ再構築中")) << "edited outside design mode: built again";
  EXPECT_NE(ReadLines(script), first);
  EXPECT_EQ(Global("$c")->tag, kObject);
  EXPECT_EQ(Global("$a")->tag, kObject);
  EXPECT_EQ(ValueToInt(*Global("$_hashCode")), PageHashCode(page));
}

}  // namespace ruvel::test
