// Custom resource nodes: their objects and string members, preparation
// through onInit, saving, destruction, and the refusal of references to
// nodes that are gone.
#include <fstream>

#include "customres_fixture.h"
#include "platform/cp932.h"
#include "resources/custom_resource.h"
#include "resources/resource_loader.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"

namespace ruvel::test {

namespace {

const char kNotes[] =
    "<resourcelist name=\"usr\">\n"
    " <note name=\"n1\" src=\"n1.dat\">\n"
    "  <resinst type=\"string\" name=\"title\" value=\"A%22B\"/>\n"
    "  <resinst type=\"string\" name=\"body\" value=\"text\"/>\n"
    "  <resinst type=\"int\" name=\"count\" value=\"3\"/>\n"
    " </note>\n"
    " <note name=\"n2\" src=\"n2.dat\"/>\n"
    "</resourcelist>\n";

// Calls a native with one argument; returns what it left in the result.
Value CallNative(NativeHandler handler, const Value& arg) {
  Value slots[2] = {arg, MakeInt(-1)};
  handler(&slots[1], 1, 0);
  return slots[1];
}

}  // namespace

TEST_F(CustomResTest, StringMembersComeFromResinstAndGoBackOnSave) {
  ValueSetInt(*Global("$inits"), 0);
  TResourceList* usr = Mount(kNotes);
  ASSERT_NE(usr, nullptr);
  usr->Initialize();
  EXPECT_EQ(ValueToInt(*Global("$inits")), 2);
  EXPECT_EQ(GlobalText("$lastInit"), "n2");

  auto* n1 = dynamic_cast<TCustomResource*>(FindResource("usr.n1"));
  ASSERT_NE(n1, nullptr);
  Instance* obj = n1->Object();
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(obj->cls, FindClass("classes.customres.note"));
  Value* generator = Member(obj, "_generator");
  ASSERT_NE(generator, nullptr);
  EXPECT_EQ(generator->tag, kHost);
  EXPECT_EQ(generator->host, static_cast<TObject*>(n1));
  EXPECT_EQ(ValueToText(*Member(obj, "title")), "A\"B");
  EXPECT_EQ(ValueToText(*Member(obj, "body")), "text");
  // Only resinst children of type string set members.
  EXPECT_EQ(Member(obj, "count")->tag, kUninit);

  // Members are written in member order; a value is escaped so the file
  // reader gives it back. A node without string members is one element.
  EXPECT_EQ(Markup(n1), (std::vector<std::string>{
                            "<note name=\"n1\" src=\"n1.dat\">",
                            " <resinst type=\"string\" name=\"title\" value=\"A%22B\"/>"
                            " <resinst type=\"string\" name=\"body\" value=\"text\"/></note>",
                        }));
  EXPECT_EQ(Markup(FindResource("usr.n2")), std::vector<std::string>{"<note name=\"n2\" src=\"n2.dat\"/>"});

  // A string assigned by a script is saved too, and survives a reload.
  ASSERT_EQ(Eval("getResource(\"usr.n2\").body = \"new <b>\";"), 0);
  std::vector<std::string> lines;
  usr->WriteMarkup(lines, "");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[3], " <note name=\"n2\" src=\"n2.dat\">");
  EXPECT_EQ(lines[4], "  <resinst type=\"string\" name=\"body\" value=\"new %3cb%3e\"/> </note>");
  std::ofstream out(home + "/saved.ruvelres", std::ios::binary);
  for (const std::string& l : lines) out << l << "\r\n";
  out.close();
  auto reloaded = LoadResourceFile(home + "/saved.ruvelres");
  ASSERT_NE(reloaded, nullptr);
  auto* copy = dynamic_cast<TCustomResource*>(reloaded->Resolve("n2"));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(ValueToText(*Member(copy->Object(), "body")), "new <b>");
  EXPECT_EQ(Markup(reloaded.get()), lines);
}

TEST_F(CustomResTest, OnInitAnswersDecideThePreparation) {
  const std::string page = "<resourcelist name=\"usr\"><answer name=\"a\"/></resourcelist>";
  struct Case {
    const char* answer;
    const char* error;  // UTF-8; empty when the preparation succeeds
  };
  for (const Case& c : {Case{"2", ""}, Case{"3", "初期化に失敗しました"}, Case{"0", "循環参照があります"},
                        Case{"1", "循環参照があります"}, Case{"\"error\"", "初期化に失敗しました"},
                        Case{"7", ""}}) {
    SCOPED_TRACE(c.answer);
    ASSERT_EQ(Eval(std::string("$answer = ") + c.answer + ";"), 0);
    TResourceList* usr = Mount(page);
    ASSERT_NE(usr, nullptr);
    std::string error;
    try {
      usr->Initialize();
    } catch (const ERuvel& e) {
      error = ToUtf8(e.Message());
    }
    EXPECT_EQ(error, c.error);
  }
  // The run-time error of the failing onInit was reported.
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(ToUtf8(errors.back()).find("インデックス"), std::string::npos);
  // The handing-over globals hold nothing afterwards.
  EXPECT_EQ(ValueToInt(*Global("$_tmp_val1")), 0);
  EXPECT_EQ(ValueToInt(*Global("$_tmp_val2")), 0);
}

TEST_F(CustomResTest, DestroyRunsOnDestroyAndReferencesToGoneNodesAreRefused) {
  TResourceList* usr = Mount(kNotes);
  ASSERT_NE(usr, nullptr);
  usr->Initialize();
  ASSERT_EQ(Eval("$keep = getResource(\"usr.n1\");"
                 "$name = $keep.getName(); $path = $keep.getFullPath(); $url = $keep.getURL();"
                 "$list = getResource(\"usr\");"),
            0);
  EXPECT_EQ(GlobalText("$name"), "n1");
  EXPECT_EQ(GlobalText("$path"), "usr.n1");
  EXPECT_EQ(GlobalText("$url"), home + "/n1.dat");
  TResource* n1 = FindResource("usr.n1");
  const Value stale = MakeHost(n1);
  const Value staleList = MakeHost(usr);

  ASSERT_TRUE(Unmount("usr"));
  // onDestroy ran (children go last first) while the node could still
  // tell its name; it had already left its list.
  EXPECT_EQ(GlobalText("$destroyed"), "n1@n1");
  ASSERT_EQ(Eval("$after = $keep.getName();"), 0);
  EXPECT_EQ(ValueToInt(*Global("$after")), 0);
  EXPECT_EQ(Member(Global("$keep")->obj, "_generator")->tag, kNull);
  // Host references kept by hand to the freed nodes answer as for no node.
  for (NativeHandler h : {NativeCustomGetName, NativeCustomGetURL, NativeCustomGetFullPath}) {
    Value r = CallNative(h, stale);
    EXPECT_EQ(r.tag, kInt);
    EXPECT_EQ(r.i, 0);
  }
  EXPECT_EQ(CallNative(NativeBuiltInGetSubRes, staleList).tag, kNull);
  EXPECT_EQ(CallNative(NativeBuiltInGetCustomRes, stale).tag, kNull);
  // The list's own object outlives it and refuses as well.
  ASSERT_EQ(Eval("$subs = $list.getSubRes();"), 0);
  EXPECT_EQ(Global("$subs")->tag, kNull);
}

TEST_F(CustomResTest, TagsFindOnlyClassesUnderCustomres) {
  TResourceList* usr = Mount(
      "<resourcelist name=\"usr\">\n"
      " <page name=\"$page_a\" src=\"a.cmml\"/>\n"
      " <Page name=\"upper\"/>\n"
      " <Sprite name=\"s\"/>\n"
      " <Ranking name=\"old\" browserURL=\"http://example.invalid/\" extra=\"1\"/>\n"
      " <Ranking name=\"new\"/>\n"
      "</resourcelist>\n");
  ASSERT_NE(usr, nullptr);
  // "page" is the short name of classes.lang.Page too; the node's object
  // is the custom resource class all the same.
  auto* page = dynamic_cast<TCustomResource*>(usr->Child("$page_a"));
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->CustomClass(), FindClass("classes.customres.page"));
  ASSERT_NE(page->Object(), nullptr);
  EXPECT_EQ(page->Object()->cls, FindClass("classes.customres.page"));
  // Tag case matters for the dispatch; class names do not ("Page" finds
  // classes.customres.page). A kernel class elsewhere is no custom kind.
  auto* upper = dynamic_cast<TCustomResource*>(usr->Child("upper"));
  ASSERT_NE(upper, nullptr);
  EXPECT_EQ(upper->Object()->cls, FindClass("classes.customres.page"));
  EXPECT_EQ(usr->Child("s"), nullptr);

  auto* old = dynamic_cast<TCustomResource*>(usr->Child("old"));
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->Object(), nullptr);
  EXPECT_NE(dynamic_cast<TCustomResource*>(usr->Child("new"))->Object(), nullptr);
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(ToUtf8(sink.shown[0]), "Spriteは不正なタグ名です");
  EXPECT_EQ(ToUtf8(sink.shown[1]), "このページファイルはバージョンが古いため、ネットランキング機能が利用できません");
  // Without an object the node keeps what it read.
  EXPECT_EQ(Markup(old), std::vector<std::string>{
                             "<Ranking name=\"old\" browserURL=\"http://example.invalid/\" extra=\"1\"/>"});
  usr->Initialize();
}

// 40000 nested tags inside a custom element (120 KB) once took gigabytes:
// the reader now stops at the nesting limit and the element's children are
// copied without re-indenting them level by level.
TEST_F(CustomResTest, DeeplyNestedChildrenStayWithinTheNestingLimit) {
  const int depth = 40000;
  std::string nested;
  for (int i = 0; i < depth; ++i) nested += "<x>";
  for (int i = 0; i < depth; ++i) nested += "</x>";
  TResourceList* usr = Mount("<resourcelist name=\"usr\">\n"
                             " <Ranking name=\"deep\" browserURL=\"u\">" + nested + "</Ranking>\n"
                             " <note name=\"after\"/>\n"
                             "</resourcelist>\n");
  ASSERT_NE(usr, nullptr);
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_EQ(sink.shown[0], MarkupTooDeepMessage());
  auto* deep = dynamic_cast<TCustomResource*>(usr->Child("deep"));
  ASSERT_NE(deep, nullptr);
  // The list, the custom element and the nested tags up to the limit.
  size_t levels = 0;
  for (const TSGML* e = &deep->ElementChild(0); e; e = e->HasChildren() ? e->Child(0) : nullptr) ++levels;
  EXPECT_EQ(levels, kMaxMarkupDepth - 2);
  std::vector<std::string> lines = Markup(deep);
  EXPECT_LE(lines.size(), kMaxMarkupDepth + 1);
  size_t bytes = 0;
  for (const std::string& l : lines) bytes += l.size();
  EXPECT_LT(bytes, size_t(1) << 20);
  // What follows the cut is not read: the rest of the text is skipped.
  EXPECT_EQ(usr->Child("after"), nullptr);
}

}  // namespace ruvel::test
