#include "resources/resource_global.h"
#include "runtime/rtti.h"
#include "tree_fixture.h"

namespace ruvel::test {

namespace {

const char* kTree =
    "<resourcelist name=\"root\">\n"
    " <resourcelist name=\"classes\"><resourcelist name=\"lang\">"
    "<class name=\"Object\" src=\"Object.ruvel\"/><class name=\"Sprite\" src=\"Sprite.ruvel\"/>"
    "</resourcelist></resourcelist>\n"
    " <resourcelist name=\"usrglobal\"></resourcelist>\n"
    " <resourcelist name=\"usr\"><resourcelist name=\"classes\">"
    "<class name=\"B\" src=\"B.ruvel\"/><class name=\"B_3\" src=\"B3.ruvel\"/></resourcelist></resourcelist>\n"
    "</resourcelist>\n";

}  // namespace

TEST_F(TreeTest, ResolvesDottedNamesAliasesAndCreatesDollarGlobals) {
  Write("k.ruvelres", kTree);
  TResource* root = LoadRoot("k.ruvelres");
  ASSERT_NE(root, nullptr);
  TResource* sprite = FindResource("CLASSES.Lang.sprite");
  ASSERT_NE(sprite, nullptr);
  EXPECT_EQ(FullName(sprite), "classes.lang.Sprite");
  EXPECT_EQ(FindResource("classes.lang."), FindResource("classes.lang"));  // trailing dot
  EXPECT_EQ(FindResource(""), root);
  // Short class names at the root only, and never as the head of a path.
  EXPECT_EQ(FindResource("sprite"), sprite);
  EXPECT_NE(FindClass("Sprite"), nullptr);
  EXPECT_EQ(FindResource("Sprite.x"), nullptr);
  EXPECT_EQ(FindResource("classes.Sprite"), nullptr);
  EXPECT_EQ(FindResource("nothing"), nullptr);
  EXPECT_EQ(FindList("classes.lang.Sprite"), nullptr);
  EXPECT_NE(FindList("classes.lang"), nullptr);

  TResourceList* globals = UserGlobals();
  ASSERT_NE(globals, nullptr);
  TResource* score = FindResource("$score");
  ASSERT_NE(dynamic_cast<TGlobalValue*>(score), nullptr);
  EXPECT_EQ(score->parent, globals);
  EXPECT_EQ(FindResource("$SCORE"), score);  // the same node afterwards
  EXPECT_EQ(globals->ChildCount(), 1u);
  EXPECT_EQ(score->ValuePtr()->tag, kUninit);
  EXPECT_EQ(SymbolName(score->ValuePtr()->i), "$score");
  EXPECT_EQ(FindResource("$a.b"), nullptr);  // only a single name is created
  EXPECT_EQ(FindResource("usr.$x"), nullptr);
  EXPECT_EQ(globals->ChildCount(), 1u);

  // Without "usrglobal" nothing is created.
  Unmount("usrglobal");
  EXPECT_EQ(FindResource("$other"), nullptr);
}

TEST_F(TreeTest, UniqueChildNamesAndMergingMissingChildren) {
  Write("k.ruvelres", kTree);
  LoadRoot("k.ruvelres");
  TResourceList* classes = FindList("usr.classes");
  ASSERT_NE(classes, nullptr);
  EXPECT_EQ(UniqueChildName(classes, "B"), "B_4");
  EXPECT_EQ(UniqueChildName(classes, "b_3"), "b_4");
  EXPECT_EQ(UniqueChildName(classes, "C"), "C");
  Mount("usr.classes.x", new TResourceList());
  EXPECT_EQ(UniqueChildName(classes, "X"), "X_1");
  // A suffix too large to count does not wrap around.
  Mount("usr.classes.x_99999999999999999999999", new TResourceList());
  EXPECT_EQ(UniqueChildName(classes, "x"), "x_1");

  TResourceList* lang = FindList("classes.lang");
  size_t before = lang->ChildCount();
  EXPECT_TRUE(MergeMissing(lang, classes));  // B and B_3 are missing there
  EXPECT_EQ(lang->ChildCount(), before + 4);
  auto* copy = dynamic_cast<TRTTI*>(lang->Child("b_3"));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, classes->Child("B_3"));
  EXPECT_EQ(copy->parent, lang);
  EXPECT_EQ(copy->sourcePath, Path("B3.ruvel"));
  EXPECT_FALSE(MergeMissing(lang, classes));  // nothing left to add
  EXPECT_EQ(lang->ChildCount(), before + 4);
}

TEST_F(TreeTest, MountNewCreatesEachKindAndItsFile) {
  EmptyRoot();
  TResource* list = MountNew("", "usr", 0);
  ASSERT_NE(dynamic_cast<TResourceList*>(list), nullptr);
  EXPECT_EQ(FindResource("usr"), list);

  TResource* g = MountNew("", "usr.$life", 1);
  ASSERT_NE(dynamic_cast<TGlobalValue*>(g), nullptr);
  EXPECT_EQ(static_cast<TGlobalValue*>(g)->initialText, "0");

  std::filesystem::create_directories(Path("Src"));
  TResource* cls = MountNew("src\\Player.ruvel", "usr.Player", 2);
  ASSERT_NE(dynamic_cast<TRTTI*>(cls), nullptr);
  EXPECT_EQ(cls->name, "Player");
  EXPECT_EQ(cls->sourcePath, Path("Src/Player.ruvel"));
  EXPECT_EQ(Read("Src/Player.ruvel"), "extends classes.lang.Object;\r\n");
  EXPECT_EQ(FindClass("Player"), cls);  // registered under its own name

  // An existing file is kept as it is.
  Write("keep.ruvel", "extends Sprite;\n");
  ASSERT_NE(MountNew("keep.ruvel", "usr.Keep", 2), nullptr);
  EXPECT_EQ(Read("keep.ruvel"), "extends Sprite;\n");

  TResource* linked = MountNew("sub.ruvelres", "usr.sub", 3);
  ASSERT_NE(dynamic_cast<TResourceList*>(linked), nullptr);
  EXPECT_EQ(linked->name, "sub");
  EXPECT_EQ(linked->sourcePath, Path("sub.ruvelres"));
  EXPECT_EQ(Read("sub.ruvelres"), "<resourcelist name=\"sub\">\r\n</resourcelist>\r\n");
  EXPECT_EQ(FullName(linked), "usr.sub");

  // No parent: nothing made, no file written; an unknown kind makes nothing.
  EXPECT_EQ(MountNew("lost.ruvel", "nowhere.Lost", 2), nullptr);
  EXPECT_FALSE(Exists("lost.ruvel"));
  EXPECT_EQ(MountNew("", "usr.odd", 7), nullptr);

  EXPECT_TRUE(Unmount("usr.SUB"));
  EXPECT_EQ(FindResource("usr.sub"), nullptr);
  EXPECT_FALSE(Unmount("usr.sub"));
  EXPECT_FALSE(Mount("missing.x", new TResourceList()));
}

TEST_F(TreeTest, SavedNodesReloadToTheSameLines) {
  Write("game/Ball.ruvel", "");
  Write("game/page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <resourcelist name=\"classes\"><class name=\"Ball\" src=\"Ball.ruvel\"></resourcelist>\n"
        " <resourcelist name=\"global\"><globalvalue name=\"$msg\" value=\"&quot;x%22\">"
        "<globalvalue name=\"$n\" value=\"5\"></resourcelist>\n"
        " <param name=\"p\" value=\"a&lt;b\"/>\n"
        " <link src=\"lib\\shared.ruvelres\">\n"
        "</resourcelist>\n");
  Write("game/lib/shared.ruvelres", "<resourcelist name=\"shared\"><class name=\"S\" src=\"S.ruvel\"/></resourcelist>");
  EmptyRoot();
  SetBaseDir(Path("game"));  // as the page loader does
  ASSERT_TRUE(Mount("usr", LoadResourceFile("page.cmml").release()));
  std::vector<std::string> first = Markup(FindResource("usr"));
  ASSERT_TRUE(SaveNode("usr"));
  ASSERT_TRUE(SaveNode("usr.shared"));
  std::string text;
  for (auto& l : first) text += l + "\r\n";
  EXPECT_EQ(Read("game/page.cmml"), text);
  // Sources are written relative to the saved file's own directory.
  EXPECT_EQ(Read("game/lib/shared.ruvelres"),
            "<resourcelist name=\"shared\">\r\n <class name=\"S\" src=\"S.ruvel\"/>\r\n</resourcelist>\r\n");
  EXPECT_EQ(first[2], "  <class name=\"Ball\" src=\"Ball.ruvel\"/>");
  EXPECT_EQ(first[10], "  <class name=\"S\" src=\"lib/S.ruvel\"/>");  // a linked list is written inline

  Unmount("usr");
  ASSERT_TRUE(Mount("usr", LoadResourceFile(Path("game/page.cmml")).release()));
  EXPECT_EQ(Markup(FindResource("usr")), first);
  EXPECT_EQ(FindResource("usr.shared.S")->sourcePath, Path("game/lib/S.ruvel"));
  auto* msg = dynamic_cast<TGlobalValue*>(FindResource("usr.global.$msg"));
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(msg->initialText, "&quot;x\"");  // percent escapes survive the round trip

  FindResource("usr")->sourcePath.clear();
  EXPECT_FALSE(SaveNode("usr"));
  EXPECT_EQ(ToUtf8(sink.shown.back()), "usrは保存できません");
  EXPECT_FALSE(SaveNode("usr.nothing"));
}

TEST_F(TreeTest, ClonesAreIndependentCopies) {
  Write("k.ruvelres", kTree);
  LoadRoot("k.ruvelres");
  TResource* usr = FindResource("usr");
  auto copy = usr->Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->parent, nullptr);
  EXPECT_EQ(Markup(copy.get()), Markup(usr));
  TResource* b = copy->Resolve("classes.B");
  ASSERT_NE(b, nullptr);
  EXPECT_NE(b, usr->Resolve("classes.B"));
  EXPECT_EQ(b->sourcePath, Path("B.ruvel"));
  copy->Resolve("classes")->Remove(b);
  EXPECT_NE(usr->Resolve("classes.B"), nullptr);
  // A kind that writes no markup has no clone.
  TResource plain;
  EXPECT_EQ(plain.Clone(), nullptr);
}

TEST_F(TreeTest, UserGlobalsAreDeclaredAndUndeclared) {
  EmptyRoot();
  SetUserGlobal("$a", true);  // no "usr": nothing happens
  EXPECT_EQ(FindResource("usr"), nullptr);
  MountNew("", "usr", 0);
  SetUserGlobal("$a", true);
  SetUserGlobal("$A", true);
  TResourceList* global = FindList("usr.global");
  ASSERT_NE(global, nullptr);
  ASSERT_EQ(global->ChildCount(), 1u);
  EXPECT_EQ(Markup(global->ChildAt(0)), std::vector<std::string>{"<globalvalue name=\"$a\" value=\"\"/>"});
  SetUserGlobal("$a", false);
  EXPECT_EQ(global->ChildCount(), 0u);
  SetUserGlobal("$b", false);
  EXPECT_EQ(global->ChildCount(), 0u);
}

TEST_F(TreeTest, IteratorsAndVisitorsWalkInOrder) {
  Write("k.ruvelres", kTree);
  TResource* root = LoadRoot("k.ruvelres");
  struct Names : TResourceIterator {
    void Visit(TResource* node) override { seen.push_back(node->name); }
    std::vector<std::string> seen;
  } names;
  root->Accept(names);
  EXPECT_EQ(names.seen, (std::vector<std::string>{"root", "classes", "lang", "Object", "Sprite", "usrglobal", "usr",
                                                  "classes", "B", "B_3"}));
  auto it = FindResource("usr.classes")->Iterator();
  ASSERT_NE(it, nullptr);
  ASSERT_TRUE(it->HasNext());
  EXPECT_EQ(it->Next()->name, "B");
  it->RemoveLast();
  ASSERT_TRUE(it->HasNext());
  EXPECT_EQ(it->Next()->name, "B_3");
  EXPECT_FALSE(it->HasNext());
  EXPECT_EQ(FindResource("usr.classes.B"), nullptr);
  EXPECT_EQ(FindResource("usr.classes.B_3")->Iterator(), nullptr);
}

}  // namespace ruvel::test
