#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "runtime/sgml.h"

namespace ruvel {

TEST(SgmlElement, AttributeLookupIgnoresCaseAndSetMovesToEnd) {
  TSGML e("class");
  e.SetAttr("name", "Foo");
  e.SetAttr("SRC", "foo.ruvel");
  EXPECT_EQ(e.GetAttr("NAME"), "Foo");
  EXPECT_EQ(e.GetAttr("src"), "foo.ruvel");
  EXPECT_EQ(e.GetAttr("missing"), "");

  e.SetAttr("Name", "Bar");
  ASSERT_EQ(e.AttrCount(), 2u);
  EXPECT_EQ(e.AttrName(0), "SRC");
  EXPECT_EQ(e.AttrName(1), "Name");
  EXPECT_EQ(e.AttrValue(1), "Bar");
  EXPECT_EQ(e.GetAttr("name"), "Bar");
}

TEST(SgmlElement, SetAttrReplacesEveryDuplicateReadFromMarkup) {
  // The resource-list reader keeps repeated attributes; setting one must
  // not leave an older pair that lookup would still find first.
  auto e = TSGML::ReadFast(R"(<param name="a" value="1" VALUE="2"/>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("value"), "1");
  e->SetAttr("value", "3");
  EXPECT_EQ(e->GetAttr("value"), "3");
  EXPECT_EQ(e->AttrCount(), 2u);
}

TEST(SgmlElement, AttributeNamesFoldOnlyAsciiLetters) {
  // The second byte of "テ" is 'e': folding it would merge distinct names.
  TSGML e("x");
  e.SetAttr(Utf8ToCp932("テ"), "1");
  EXPECT_EQ(e.GetAttr(Utf8ToCp932("テ")), "1");
  EXPECT_EQ(e.GetAttr("\x83" "E"), "");
}

TEST(SgmlElement, ChildrenKeepOrderAndParent) {
  TSGML root("resourcelist");
  EXPECT_FALSE(root.HasChildren());
  TSGML* a = root.AddChild(std::make_unique<TSGML>("a"));
  TSGML* b = root.AddChild(std::make_unique<TSGML>("b"));
  ASSERT_EQ(root.ChildCount(), 2u);
  EXPECT_EQ(root.Child(0), a);
  EXPECT_EQ(root.Child(1), b);
  EXPECT_EQ(a->Parent(), &root);
  EXPECT_EQ(root.Parent(), nullptr);
  EXPECT_THROW(root.Child(2), std::out_of_range);
}

TEST(SgmlElement, TagDispatchIsCaseSensitive) {
  EXPECT_EQ(ClassifyTag("resourcelist"), SgmlTag::ResourceList);
  EXPECT_EQ(ClassifyTag("classlist"), SgmlTag::ClassList);
  EXPECT_EQ(ClassifyTag("class"), SgmlTag::Class);
  EXPECT_EQ(ClassifyTag("cpattern"), SgmlTag::CPattern);
  EXPECT_EQ(ClassifyTag("module"), SgmlTag::Module);
  EXPECT_EQ(ClassifyTag("Class"), SgmlTag::Other);
  EXPECT_EQ(ClassifyTag("RESOURCELIST"), SgmlTag::Other);
  EXPECT_EQ(ClassifyTag(""), SgmlTag::Other);

  for (const char* leaf : {"class", "globalvalue", "link", "generator", "cpattern"}) EXPECT_TRUE(IsLeafTag(leaf)) << leaf;
  for (const char* other : {"resourcelist", "classlist", "param", "module", "Class", "resinst"})
    EXPECT_FALSE(IsLeafTag(other)) << other;

  EXPECT_EQ(ToUtf8(UnknownTagMessage("Class")), "Classは不正なタグ名です");
}

TEST(SgmlEscaping, EscapesPercentFirstAndDecodesOnePassInOrder) {
  EXPECT_EQ(EscapeMarkupValue(R"(a"<b>%c)"), "a%22%3cb%3e%25c");
  EXPECT_EQ(EscapeMarkupValue(Utf8ToCp932("表ソ")), Utf8ToCp932("表ソ"));

  EXPECT_EQ(DecodeMarkupValue("%3c%3e%22%25"), "<>\"%");
  // One pass: "%25" is turned into "%" last, so its result is not decoded
  // again within the pass.
  EXPECT_EQ(DecodeMarkupValue("%2522"), "%22");
  EXPECT_EQ(DecodeMarkupValue("%253c"), "%3c");
  // Only the lower-case forms are known.
  EXPECT_EQ(DecodeMarkupValue("%3C%3E"), "%3C%3E");
  EXPECT_EQ(DecodeMarkupValue("100%"), "100%");
}

}  // namespace ruvel
