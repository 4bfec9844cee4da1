#include <gtest/gtest.h>

#include <random>

#include "platform/cp932.h"
#include "runtime/sgml.h"

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
}

TEST(SgmlFastReader, NonLeafTagWithoutSlashSwallowsFollowingSiblings) {
  // param is not a leaf tag: after its ">" the elements that follow are its
  // children up to the next closing tag.
  auto root = TSGML::ReadFast(R"(<resourcelist><param name="p"><class name="c"></resourcelist>)");
  ASSERT_TRUE(root);
  ASSERT_EQ(root->ChildCount(), 1u);
  ASSERT_EQ(root->Child(0)->ChildCount(), 1u);
  EXPECT_EQ(root->Child(0)->Child(0)->Tag(), "class");
}

TEST(SgmlFastReader, DecodesPercentEscapesOnce) {
  auto e = TSGML::ReadFast(R"(<param value="%41%2522" hex="%4a%4A%7e" bad="%zz!" sp="a%20b"/>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("value"), "A%22");
  EXPECT_EQ(e->GetAttr("hex"), "JJ~");
  EXPECT_EQ(e->GetAttr("bad"), std::string("\0!", 2));
  EXPECT_EQ(e->GetAttr("sp"), "a b");
}

TEST(SgmlFastReader, StrayPercentNeverSwallowsTheClosingQuote) {
  auto e = TSGML::ReadFast(R"(<param value="100%" next="x%"/><class/>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("value"), "100%");
  EXPECT_EQ(e->GetAttr("next"), "x%");
  EXPECT_EQ(e->AttrCount(), 2u);
}

TEST(SgmlFastReader, SyntaxDetails) {
  // Blanks are any byte below '!'; anything between a name and the quote
  // is skipped; the closing tag's name is not checked.
  auto e = TSGML::ReadFast("junk < \t\x01resourcelist  name = \"a\"\n\tsrc=\"b\" >text<link src=\"l\"/>more</other>tail");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Tag(), "resourcelist");
  EXPECT_EQ(e->GetAttr("name"), "a");
  EXPECT_EQ(e->GetAttr("src"), "b");
  ASSERT_EQ(e->ChildCount(), 1u);
  EXPECT_EQ(e->Child(0)->Tag(), "link");
  EXPECT_TRUE(e->Texts().empty());

  // Tag names stop at anything but letters, digits and '_'.
  e = TSGML::ReadFast(R"(<my_tag2-x a="1"/>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Tag(), "my_tag2");
  // "-x a" is read as the attribute name "" (the name stops at '-').
  ASSERT_EQ(e->AttrCount(), 1u);
  EXPECT_EQ(e->AttrName(0), "");
  EXPECT_EQ(e->AttrValue(0), "1");
}

TEST(SgmlFastReader, SuccessiveReadsAndListEnds) {
  std::string text = R"(<a x="1"/> <b y="2"/></c> <d/>)";
  size_t pos = 0;
  auto a = TSGML::ReadFast(text, pos);
  auto b = TSGML::ReadFast(text, pos);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->Tag(), "a");
  EXPECT_EQ(b->Tag(), "b");
  // A closing tag ends a list: no element, position left at its "<".
  EXPECT_FALSE(TSGML::ReadFast(text, pos));
  EXPECT_EQ(text.substr(pos, 4), "</c>");
  EXPECT_FALSE(TSGML::ReadFast(text, pos));
  EXPECT_EQ(text.substr(pos, 4), "</c>");

  // No "<" at all: no element, position at the end.
  pos = 0;
  EXPECT_FALSE(TSGML::ReadFast("no markup here", pos));
  EXPECT_EQ(pos, 14u);
  EXPECT_FALSE(TSGML::ReadFast(""));
  // A start beyond the text is clamped.
  pos = 100;
  EXPECT_FALSE(TSGML::ReadFast("<a/>", pos));
  EXPECT_EQ(pos, 4u);
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

TEST(SgmlFastReader, DeepNestingNeedsNoMachineStack) {
  const int depth = 300000;
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<a>";
  auto root = TSGML::ReadFast(text);
  ASSERT_TRUE(root);
  int levels = 1;
  for (TSGML* cur = root.get(); cur->HasChildren(); cur = cur->Child(0)) ++levels;
  EXPECT_EQ(levels, depth);
  root.reset();  // freeing is iterative too
}

TEST(SgmlFastReader, GarbageNeverCrashesOrHangs) {
  std::mt19937 rng(1234);
  const std::string alphabet = "<>/\"=% abc_19\r\n\x83\x5c\x95\xfc";
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    int len = static_cast<int>(rng() % 200);
    for (int i = 0; i < len; ++i)
      text += (rng() % 4 == 0) ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
    size_t pos = 0;
    int elements = 0;
    while (pos < text.size()) {
      size_t before = pos;
      auto e = TSGML::ReadFast(text, pos);
      ASSERT_LE(pos, text.size());
      if (!e) {
        if (pos == before) break;  // at a closing tag
        continue;
      }
      ++elements;
      ASSERT_GT(pos, before);  // every element consumes input
      e->Write();
    }
    ASSERT_LE(elements, len);
  }
}

}  // namespace ruvel
