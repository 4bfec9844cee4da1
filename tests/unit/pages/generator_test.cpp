// Generators: their markup, the attribute setters, the preparation steps
// that create and initialise an object, and what freeing one does to the
// object it placed.
#include "compiler/snippet.h"
#include "pages/page.h"
#include "pages_fixture.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "resources/resource_generator.h"
#include "resources/resource_loader.h"
#include "resources/resource_tree.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace {

const char kBall[] =
    "extends classes.game.Char;\n"
    "constructor Ball(speed, label) {\n"
    "  s = speed;\n"
    "  l = label;\n"
    "  x = 0;\n"
    "}\n";

TGenerator* Gen(const std::string& dotted) { return dynamic_cast<TGenerator*>(FindResource(dotted)); }

}  // namespace

TEST_F(PagesTest, GeneratorMarkupSortsAttributesAndWritesThemBackEscaped) {
  std::string dir = Path("game");
  auto node = NodeFromFileMarkup(
      "<generator ClassName=\"Ball\" name=\"$a\" src=\"img/a.png\" const_speed=\"3\" inst_x=\"10\" other=\"z\" "
      "inst_label=\"%22a%3cb%25%22\" const_n=\"null\" Inst_y=\"1\">",
      dir);
  auto* gen = dynamic_cast<TGenerator*>(node.get());
  ASSERT_NE(gen, nullptr);
  EXPECT_EQ(gen->className, "Ball");
  EXPECT_EQ(gen->sourcePath, dir + "/img/a.png");
  // Only the lower-case prefixes sort an attribute into a list.
  EXPECT_EQ(gen->instList, (std::vector<std::string>{"x=10", "label=\"a<b%\""}));
  EXPECT_EQ(gen->constList, (std::vector<std::string>{"speed=3", "n=null"}));

  SetBaseDir(dir);
  const std::string line =
      " <generator className=\"Ball\" name=\"$a\" src=\"img/a.png\" inst_x=\"10\" inst_label=\"%22a%3cb%25%22\" "
      "const_speed=\"3\" const_n=\"null\"/>";
  EXPECT_EQ(gen->MarkupText(" "), line);
  // What is written reads back to the same lists.
  auto again = NodeFromFileMarkup(line, dir);
  auto* copy = dynamic_cast<TGenerator*>(again.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->instList, gen->instList);
  EXPECT_EQ(copy->constList, gen->constList);
  // Without a file there is no src attribute at all.
  auto plain = NodeFromFileMarkup("<generator className=\"Paddle\" name=\"$p\">", dir);
  EXPECT_EQ(dynamic_cast<TGenerator*>(plain.get())->MarkupText(""),
            "<generator className=\"Paddle\" name=\"$p\"/>");
}

TEST_F(PagesTest, AttributeSettersStoreScriptTextOrPlainTextAndRefuseWhatIsNoGenerator) {
  std::string page = WritePage("game/one.cmml", {},
                               {"<generator className=\"classes.game.Char\" name=\"$c\" inst_x=\"10\" inst_gone=\"1\">"});
  ASSERT_EQ(LoadPage(page), 1);
  TGenerator* gen = Gen("usr.gen.$c");
  ASSERT_NE(gen, nullptr);
  ValueSetHost(*Global("$g"), gen);
  ASSERT_EQ(EvaluateSnippet("extends Object;\n"
                            "o = new Object();\n"
                            "_n_setGenAttr($g, \"s\", \"\");\n"
                            "_n_setGenAttr($g, \"t\", \"q\");\n"
                            "_n_setGenAttr($g, \"o\", o);\n"
                            "_n_setGenAttr($g, \"f\", 1.5);\n"
                            "_n_setGenAttr($g, \"n\", null);\n"
                            "_n_setGenAttr($g, \"X\", 7);\n"
                            "_n_setGenAttr(5, \"bad\", 1);\n"
                            "$h = _n_objhandle(o);\n"
                            "c = new classes.game.Char();\n"
                            "c.setGenerator($g);\n"
                            "c.changeAttr(\"gone\", \"\");\n"
                            "c.changeAttr(\"raw\", \"abc\");\n"
                            "c.changeAttr(\"t\", \"\");\n",
                            true),
            0)
      << (errors.empty() ? "" : ToUtf8(errors.front()));
  std::string handle = std::to_string(ValueToInt(*Global("$h")));
  EXPECT_EQ(gen->instList, (std::vector<std::string>{"s=\"\"", "o=objectFromID(" + handle + ")", "f=1.5", "n=null",
                                                     "X=7", "raw=abc"}));
  // _changeAttr insists on a generator (this object was given none).
  EXPECT_EQ(EvaluateSnippet("extends Object;\nc = new classes.game.Char();\nc.changeAttr(\"a\", \"b\");\n", true), 2);
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors.back().find("invalid generator at chattr"), std::string::npos);
  ValueSetInt(*Global("$g"), 0);
}

TEST_F(PagesTest, PreparationCreatesWithConstructorArgumentsThenAssignsMembers) {
  std::string page =
      WritePage("game/one.cmml", {{"Ball", kBall}},
                {"<generator className=\"Ball\" name=\"$a\" const_speed=\"3\" inst_x=\"10\" inst_nope=\"1\">"});
  ASSERT_EQ(LoadPage(page), 1);
  TGenerator* gen = Gen("usr.gen.$a");
  ASSERT_NE(gen, nullptr);
  ASSERT_NO_THROW(FindList("usr.gen")->Initialize());
  EXPECT_EQ(gen->state, TGenerator::kReady);
  ASSERT_NE(Member("$a", "s"), nullptr);
  EXPECT_EQ(ValueToInt(*Member("$a", "s")), 3);
  ASSERT_NE(Member("$a", "l"), nullptr);
  EXPECT_EQ(Member("$a", "l")->tag, kNull);  // no const entry: null
  ASSERT_NE(Member("$a", "x"), nullptr);
  EXPECT_EQ(ValueToInt(*Member("$a", "x")), 10);
  EXPECT_EQ(Member("$a", "nope"), nullptr);  // not a member: left out
  Value* owner = Member("$a", "_generator");
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(owner->tag, kHost);
  EXPECT_EQ(owner->host, gen);
  // The hand-over global does not keep the node.
  EXPECT_EQ(Global("$_tmp_gen")->tag, kInt);
  EXPECT_TRUE(errors.empty());

  // A missing class is reported and fails the preparation.
  VM().root->AddChild(NodeFromFileMarkup("<resourcelist name=\"more\"><generator className=\"Nope\" name=\"$n\">"
                                         "</resourcelist>",
                                         Path("game"))
                          .release());
  EXPECT_THROW(FindList("more")->Initialize(), ERuvel);
  EXPECT_TRUE(sink.Shown("クラスNopeはありません。オブジェクトの作成を中止します"));
  EXPECT_EQ(Gen("more.$n")->state, TGenerator::kClassMissing);

  // The page's own copy of a class is never compiled (the project's is).
  VM().root->AddChild(NodeFromFileMarkup("<resourcelist name=\"raw\"><generator className=\"usr.classes.Ball\" "
                                         "name=\"$r\"></resourcelist>",
                                         Path("game"))
                          .release());
  try {
    FindList("raw")->Initialize();
    ADD_FAILURE() << "an uncompiled class was instantiated";
  } catch (const ERuvel& e) {
    EXPECT_EQ(ToUtf8(e.Message()), "usr.classes.Ballはコンパイルされていないので、オブジェクトを生成できません");
  }
}

TEST_F(PagesTest, FreeingAGeneratorClearsTheObjectsReferenceToIt) {
  std::string page = WritePage("game/one.cmml", {{"Ball", kBall}},
                               {"<generator className=\"Ball\" name=\"$a\">",
                                "<generator className=\"Ball\" name=\"$b\">"});
  LoadAndRunPage(page);
  Steps(1);
  ASSERT_NE(Member("$a", "_generator"), nullptr);
  ASSERT_EQ(Member("$a", "_generator")->tag, kHost);
  ASSERT_EQ(EvaluateSnippet("$b._generator = 5;", true), 0);
  sink.logged.clear();
  errors.clear();
  StopPage();
  ASSERT_TRUE(Unmount("usr"));
  // The nodes' script objects were told quietly.
  EXPECT_TRUE(errors.empty()) << ToUtf8(errors.front());
  EXPECT_TRUE(sink.Logged("TGenerator.Destroy :$a matched."));
  EXPECT_TRUE(sink.Logged("TGenerator.Destroy : $b UNmatched."));
  EXPECT_EQ(Member("$a", "_generator")->tag, kNull);
  EXPECT_EQ(ValueToInt(*Member("$b", "_generator")), 5);
}

}  // namespace ruvel::test
