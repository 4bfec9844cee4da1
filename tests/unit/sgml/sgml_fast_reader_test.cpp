#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "resources/sgml.h"

namespace ruvel {

TEST(SgmlFastReader, ReadsAResourceListWithLeafTagsWithoutSlash) {
  std::string text =
      "<resourcelist name=\"usr\">\r\n"
      " <globalvalue name=\"$score\" value=\"0\">\r\n"
      " <class name=\"Main\" src=\"Main.ruvel\">\r\n"
      " <param name=\"title\" value=\"x\"/>\r\n"
      " <classlist name=\"more\">\r\n"
      "  <link src=\"other.ruvelres\">\r\n"
      " </classlist>\r\n"
      "</resourcelist>\r\n";
  size_t pos = 0;
  auto root = TSGML::ReadFast(text, pos);
  ASSERT_TRUE(root);
  EXPECT_EQ(root->Tag(), "resourcelist");
  EXPECT_EQ(root->GetAttr("name"), "usr");
  ASSERT_EQ(root->ChildCount(), 4u);
  EXPECT_EQ(root->Child(0)->Tag(), "globalvalue");
  EXPECT_EQ(root->Child(0)->GetAttr("value"), "0");
  EXPECT_FALSE(root->Child(0)->HasChildren());
  EXPECT_EQ(root->Child(1)->Tag(), "class");
  EXPECT_EQ(root->Child(1)->GetAttr("src"), "Main.ruvel");
  EXPECT_EQ(root->Child(2)->Tag(), "param");
  ASSERT_EQ(root->Child(3)->ChildCount(), 1u);
  EXPECT_EQ(root->Child(3)->Child(0)->GetAttr("src"), "other.ruvelres");
  EXPECT_EQ(root->Child(3)->Child(0)->Parent(), root->Child(3));
  // The position is left right behind the closing tag.
  EXPECT_EQ(text.substr(pos), "\r\n");
  EXPECT_TRUE(root->Texts().empty());

  // param is not a leaf tag: without a slash, what follows is its content.
  root = TSGML::ReadFast(R"(<resourcelist><param name="p"><class name="c"></resourcelist>)");
  ASSERT_TRUE(root);
  ASSERT_EQ(root->ChildCount(), 1u);
  EXPECT_EQ(root->Child(0)->ChildCount(), 1u);
}

TEST(SgmlFastReader, DecodesPercentEscapesOnce) {
  auto e = TSGML::ReadFast(R"(<param value="%41%2522" hex="%4a%4A%7e" bad="%zz!" sp="a%20b"/>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("value"), "A%22");
  EXPECT_EQ(e->GetAttr("hex"), "JJ~");
  EXPECT_EQ(e->GetAttr("bad"), std::string("\0!", 2));
  EXPECT_EQ(e->GetAttr("sp"), "a b");

  // A stray "%" never swallows the closing quote of its value.
  e = TSGML::ReadFast(R"(<param value="100%" next="x%"/><class/>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("value"), "100%");
  EXPECT_EQ(e->GetAttr("next"), "x%");
}

TEST(SgmlFastReader, SyntaxDetailsAndPositions) {
  // Blanks are any byte below '!'; anything between a name and its quote
  // is skipped; a name stops at anything but letters, digits and '_'; the
  // closing tag's name is not checked.
  std::string text = "junk < \t\x01resourcelist  name = \"a\" x-y=\"b\" -z=\"c\" >text<link src=\"l\">more</other> </c>";
  size_t pos = 0;
  auto e = TSGML::ReadFast(text, pos);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Tag(), "resourcelist");
  ASSERT_EQ(e->AttrCount(), 3u);
  EXPECT_EQ(e->GetAttr("name"), "a");
  EXPECT_EQ(e->AttrName(1), "x");  // "-y=" skipped on the way to the quote
  EXPECT_EQ(e->AttrValue(1), "b");
  EXPECT_EQ(e->AttrName(2), "");  // "-z" gives a nameless pair
  EXPECT_EQ(e->AttrValue(2), "c");
  ASSERT_EQ(e->ChildCount(), 1u);
  EXPECT_EQ(e->Child(0)->GetAttr("src"), "l");
  // A closing tag ends a list: no element, the position stays at its "<".
  EXPECT_EQ(text.substr(pos), " </c>");
  EXPECT_FALSE(TSGML::ReadFast(text, pos));
  EXPECT_EQ(text.substr(pos), "</c>");
  // No "<" at all: no element, the position goes to the end.
  pos = 0;
  EXPECT_FALSE(TSGML::ReadFast("no markup", pos));
  EXPECT_EQ(pos, 9u);
}

TEST(SgmlFastReader, TruncatedTextEndsTheElementAsReadSoFar) {
  auto e = TSGML::ReadFast(R"(<param name="n" value="unclosed)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("name"), "n");
  EXPECT_EQ(e->AttrCount(), 1u);  // the unclosed value is dropped

  e = TSGML::ReadFast(R"(<param name="n" val)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->AttrCount(), 1u);

  e = TSGML::ReadFast(R"(<param name="%4)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->AttrCount(), 0u);

  e = TSGML::ReadFast("<resourcelist name=\"r\"><class name=\"c\"><resourcelist><link");
  ASSERT_TRUE(e);
  ASSERT_EQ(e->ChildCount(), 2u);
  EXPECT_EQ(e->Child(1)->ChildCount(), 1u);
  EXPECT_EQ(e->Child(1)->Child(0)->Tag(), "link");

  for (const char* t : {"<", "<a", "<a/", "< ", "<a ", "<a b", "<a b=", "<a b=\""}) {
    size_t pos = 0;
    std::string_view text(t);
    auto x = TSGML::ReadFast(text, pos);
    ASSERT_TRUE(x) << t;
    EXPECT_EQ(x->AttrCount(), 0u) << t;
    EXPECT_EQ(pos, text.size()) << t;
  }
}

TEST(SgmlFastReader, TwoByteCharactersStayWhole) {
  // Second bytes of these characters are '\\', '\\', 'e', 'X', '|', '@', '_'.
  std::string jp = Utf8ToCp932("表ソテスポァダ");
  std::string text = "<param name=\"" + jp + "\" value=\"" + jp + "%41\"/>";
  auto e = TSGML::ReadFast(text);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("name"), jp);
  EXPECT_EQ(e->GetAttr("value"), jp + "A");

  // A "%" followed by a two-byte character takes the whole character, never
  // only its first byte.
  e = TSGML::ReadFast("<p v=\"%4" + Utf8ToCp932("テ") + "x\"/>");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("v"), std::string("\0x", 2));

  // Text with Japanese between elements is skipped.
  e = TSGML::ReadFast("<resourcelist>" + jp + "<class name=\"a\">" + jp + "</resourcelist>");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->ChildCount(), 1u);
}

}  // namespace ruvel
