#include "resources/resource_element.h"
#include "resources/resource_global.h"
#include "runtime/rtti.h"
#include "tree_fixture.h"

namespace ruvel::test {

TEST_F(TreeTest, LoadsNestedListsClassesGlobalsParamsAndLinks) {
  // Windows-made list: backslashes, letter case that differs from the disk,
  // a UTF-8 file that must become CP932, and a link into a sub-directory
  // whose own src is relative to that sub-directory.
  Write("Kernel/lang/Object.ruvel", "extends null;\n");
  Write("Kernel/res.ruvelres",
        "<resourcelist name=\"root\">\n"
        " <resourcelist name=\"classes\">\n"
        "  <classlist name=\"lang\">\n"
        "   <class name=\"Object\" src=\"LANG\\object.ruvel\">\n"
        "  </classlist>\n"
        " </resourcelist>\n"
        " <resourcelist name=\"usrglobal\">\n"
        "  <globalvalue name=\"$score\" value=\"10\">\n"
        " </resourcelist>\n"
        " <param name=\"title\" value=\"日本語\"/>\n"
        " <link src=\"sub\\more.ruvelres\">\n"
        "</resourcelist>\n");
  Write("Kernel/sub/more.ruvelres", "<resourcelist name=\"more\"><class name=\"M\" src=\"m.ruvel\"/></resourcelist>");
  SetBaseDir(Path("Kernel"));
  TResource* root = LoadRoot("..\\KERNEL\\res.ruvelres");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->sourcePath, Path("Kernel/res.ruvelres"));

  auto* object = dynamic_cast<TRTTI*>(root->Resolve("Classes.LANG.object"));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->sourcePath, Path("Kernel/lang/Object.ruvel"));  // found on disk
  auto* score = dynamic_cast<TGlobalValue*>(root->Resolve("usrglobal.$score"));
  ASSERT_NE(score, nullptr);
  EXPECT_EQ(score->initialText, "10");
  EXPECT_EQ(score->value.tag, kUninit);
  auto* title = dynamic_cast<TfParam*>(root->Resolve("title"));
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->valueText, J("日本語"));

  TResource* more = root->Resolve("more");
  ASSERT_NE(more, nullptr);
  EXPECT_EQ(more->parent, root);
  EXPECT_EQ(more->sourcePath, Path("Kernel/sub/more.ruvelres"));
  EXPECT_EQ(more->Resolve("M")->sourcePath, Path("Kernel/sub/m.ruvel"));
  EXPECT_EQ(FullName(more->Resolve("m")), "more.M");

  EXPECT_EQ(ResourceTree().urls.Items(),
            (std::vector<std::string>{Path("Kernel/res.ruvelres"), Path("Kernel/sub/more.ruvelres")}));
  std::vector<std::string> names;
  root->ListNames(names, "");
  EXPECT_EQ(names, (std::vector<std::string>{"<root>", "classes", "classes.lang", "classes.lang.Object",
                                             "usrglobal", "usrglobal.$score", "title", "more", "more.M"}));
  EXPECT_TRUE(sink.shown.empty());
}

TEST_F(TreeTest, MissingFilesShowAMessageThenFail) {
  EXPECT_THROW(LoadResourceFile("none.ruvelres"), EIOError);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(ToUtf8(sink.shown[0]), Path("none.ruvelres") + "が見つかりません");

  // A link to a missing file fails the whole load the same way.
  Write("a.ruvelres", "<resourcelist name=\"a\"><link src=\"gone.ruvelres\"></resourcelist>");
  EXPECT_THROW(LoadResourceFile("a.ruvelres"), EIOError);
  EXPECT_EQ(ToUtf8(sink.shown.back()), Path("gone.ruvelres") + "が見つかりません");
  // A directory is not a resource file.
  std::filesystem::create_directories(Path("d.ruvelres"));
  EXPECT_THROW(LoadResourceFile("d.ruvelres"), EIOError);
}

TEST_F(TreeTest, UnknownTagsAreSkippedWithAMessage) {
  Write("u.ruvelres",
        "<resourcelist name=\"u\"><Class name=\"A\"/><weird name=\"w\"><x/></weird><param name=\"p\" value=\"1\"/>"
        "</resourcelist>");
  TResource* root = LoadRoot("u.ruvelres");
  ASSERT_NE(root, nullptr);
  auto* list = dynamic_cast<TResourceList*>(root);
  ASSERT_EQ(list->ChildCount(), 1u);
  EXPECT_EQ(list->ChildAt(0)->name, "p");
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(ToUtf8(sink.shown[0]), "Classは不正なタグ名です");
  EXPECT_EQ(ToUtf8(sink.shown[1]), "weirdは不正なタグ名です");
  // Text without any element builds nothing.
  Write("empty.ruvelres", "no markup here\n");
  EXPECT_EQ(LoadResourceFile("empty.ruvelres"), nullptr);
}

TEST_F(TreeTest, CustomTagsWithAClassAndElementKindsWriteBackWhatTheyRead) {
  TResourceList* root = EmptyRoot();
  root->AddChild(NodeFromFileMarkup("<resourcelist name=\"classes\"><resourcelist name=\"customres\">"
                                    "<class name=\"Ranking\"/></resourcelist></resourcelist>",
                                    dir)
                     .release());
  Write("p/page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <Ranking name=\"r\" src=\"r.dat\"><resinst type=\"string\" name=\"title\" value=\"a%22b\"/></Ranking>\n"
        " <generator className=\"Ball\" name=\"$b\" inst_x=\"10\" const_c=\"&quot;\" extra=\"\">\n"
        " <cpattern name=\"$pat_x\" src=\"img\\x.png\"/>\n"
        " <module name=\"m\" src=\"m.so\"></module>\n"
        "</resourcelist>\n");
  SetBaseDir(Path("p"));
  auto usr = LoadResourceFile("page.cmml");
  ASSERT_NE(usr, nullptr);
  EXPECT_TRUE(sink.shown.empty());
  auto* ranking = dynamic_cast<TCustomResource*>(usr->Resolve("r"));
  ASSERT_NE(ranking, nullptr);
  EXPECT_EQ(ranking->sourcePath, Path("p/r.dat"));
  ASSERT_EQ(ranking->ElementChildCount(), 1u);
  EXPECT_EQ(ranking->ElementChild(0).GetAttr("value"), "a\"b");
  auto* gen = dynamic_cast<TGenerator*>(usr->Resolve("$B"));
  ASSERT_NE(gen, nullptr);
  EXPECT_EQ(gen->className, "Ball");
  EXPECT_NE(dynamic_cast<TCPat*>(usr->Resolve("$pat_x")), nullptr);
  EXPECT_NE(dynamic_cast<TModuleRes*>(usr->Resolve("m")), nullptr);

  EXPECT_EQ(Markup(usr.get()), (std::vector<std::string>{
                                   "<resourcelist name=\"usr\">",
                                   " <Ranking name=\"r\" src=\"r.dat\">",
                                   "  <resinst type=\"string\" name=\"title\" value=\"a%22b\"/>",
                                   " </Ranking>",
                                   " <generator className=\"Ball\" name=\"$b\" inst_x=\"10\" const_c=\"&quot;\"/>",
                                   " <cpattern name=\"$pat_x\" src=\"img/x.png\"/>",
                                   " <module name=\"m\" src=\"m.so\"/>",
                                   "</resourcelist>",
                               }));
}

TEST_F(TreeTest, CyclicLinksAndRunawayNestingStop) {
  Write("a.ruvelres", "<resourcelist name=\"a\"><link src=\"b.ruvelres\"></resourcelist>");
  Write("b.ruvelres", "<resourcelist name=\"b\"><link src=\"A.ruvelres\"></resourcelist>");
  auto a = LoadResourceFile("a.ruvelres");
  ASSERT_NE(a, nullptr);
  TResource* b = a->Resolve("b");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Resolve("a"), nullptr);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(ToUtf8(sink.shown[0]).find("循環"), std::string::npos);
  EXPECT_TRUE(ResourceTree().loading.empty());

  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<resourcelist name=\"n\">";
  Write("deep.ruvelres", deep);
  sink.shown.clear();
  auto node = LoadResourceFile("deep.ruvelres");
  ASSERT_NE(node, nullptr);
  int depth = 0;
  for (TResource* n = node.get(); n; n = n->Child("n")) ++depth;
  EXPECT_EQ(depth, kMaxResourceDepth);
  EXPECT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(ResourceTree().buildDepth, 0);
}

}  // namespace ruvel::test
