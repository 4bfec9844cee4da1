#include <gtest/gtest.h>

#include "capture_sink.h"
#include "platform/cp932.h"
#include "resources/sgml.h"

namespace ruvel {

TEST(SgmlFullReader, DecodesValuesTwiceAndTextsOnce) {
  CaptureSink sink;
  auto e = TSGML::ReadFull(R"(<p q="%2522" lt="%253c%3e" up="%3C" pct="100%25">a%2522b<c/>%3c</p>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("q"), "\"");
  EXPECT_EQ(e->GetAttr("lt"), "<>");
  EXPECT_EQ(e->GetAttr("up"), "%3C");
  EXPECT_EQ(e->GetAttr("pct"), "100%");
  ASSERT_EQ(e->Texts().size(), 2u);
  EXPECT_EQ(e->Texts()[0], "a%22b");
  EXPECT_EQ(e->Texts()[1], "<");
  EXPECT_TRUE(sink.messages.empty());
}

TEST(SgmlFullReader, ReadsNestedElementsAndLeafTags) {
  CaptureSink sink;
  std::string text =
      "  <Ranking name=\"r\" src=\"x.cmml\">\r\n"
      "<resinst type=\"string\" name=\"a\" value=\"hello world\"/>\r\n"
      "<class name=\"c\">"
      "<list><resinst name=\"b\"></resinst></list>"
      "</ignored> after";
  size_t pos = 0;
  auto e = TSGML::ReadFull(text, pos);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Tag(), "Ranking");
  EXPECT_EQ(e->GetAttr("src"), "x.cmml");
  ASSERT_EQ(e->ChildCount(), 3u);
  EXPECT_EQ(e->Child(0)->Tag(), "resinst");
  EXPECT_EQ(e->Child(0)->GetAttr("value"), "hello world");
  EXPECT_EQ(e->Child(1)->Tag(), "class");  // leaf tag: no content read
  EXPECT_FALSE(e->Child(1)->HasChildren());
  ASSERT_EQ(e->Child(2)->ChildCount(), 1u);
  EXPECT_EQ(e->Child(2)->Child(0)->GetAttr("name"), "b");
  EXPECT_EQ(e->Child(2)->Child(0)->Parent(), e->Child(2));
  // One text piece before each tag met inside the content.
  ASSERT_EQ(e->Texts().size(), 4u);
  EXPECT_EQ(e->Texts()[0], "\r\n");
  EXPECT_EQ(e->Texts()[3], "");
  EXPECT_EQ(text.substr(pos), " after");
  EXPECT_TRUE(sink.messages.empty());
}

TEST(SgmlFullReader, AttributeSyntax) {
  CaptureSink sink;
  // No blanks are skipped before the tag name; blanks around "=" break a
  // pair; repeated names keep the last value; empty values are kept.
  auto e = TSGML::ReadFull(R"(< a x = "1" y="2" Y="3" z="" w="a>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Tag(), "");
  EXPECT_EQ(e->GetAttr("x"), "");
  EXPECT_EQ(e->GetAttr("y"), "3");
  ASSERT_EQ(e->AttrCount(), 2u);
  EXPECT_EQ(e->AttrName(0), "Y");
  EXPECT_EQ(e->AttrName(1), "z");
  // "w" has no closing quote inside the tag: no pair; the tag did not end
  // with "/>", so content is read and runs out.
  EXPECT_EQ(sink.messages.size(), 1u);
}

TEST(SgmlFullReader, SecondBytesNeverStartAName) {
  CaptureSink sink;
  // The second byte of "テ" is 'e' and of "ダ" is '_': they are not names.
  std::string jp = Utf8ToCp932("テ");
  std::string da = Utf8ToCp932("ダ");
  auto e = TSGML::ReadFull("<a " + jp + "=\"x\" b" + da + "=\"y\" c=\"" + jp + da + "\"/>");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("e"), "");
  EXPECT_EQ(e->GetAttr("_"), "");
  ASSERT_EQ(e->AttrCount(), 1u);
  EXPECT_EQ(e->GetAttr("c"), jp + da);
}

TEST(SgmlFullReader, NoTagRaisesTagError) {
  for (const char* t : {"", "plain text", "a > b", "< no end"}) {
    try {
      TSGML::ReadFull(t);
      ADD_FAILURE() << "no error for " << t;
    } catch (const EVMError& e) {
      EXPECT_EQ(e.Message(), "Tag Error") << t;
    }
  }
  // Reading from a position behind the last tag fails the same way.
  size_t pos = 4;
  EXPECT_THROW(TSGML::ReadFull("<a/> tail", pos), ESGMLError);
}

TEST(SgmlFullReader, MissingClosingTagIsReportedOnceAndKeepsContent) {
  CaptureSink sink;
  auto e = TSGML::ReadFull(R"(<a k="v"><b><c/>text <d>rest)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("k"), "v");
  ASSERT_EQ(e->ChildCount(), 1u);
  TSGML* b = e->Child(0);
  ASSERT_EQ(b->ChildCount(), 2u);
  EXPECT_EQ(b->Child(1)->Tag(), "d");
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], "invalid Tag : rest");
}

TEST(SgmlFullReader, ProgressLinesForLongTexts) {
  CaptureSink sink;
  TSGML::ReadFull("<a/>");
  EXPECT_TRUE(sink.logs.empty());
  std::string longText = "<a v=\"" + std::string(100, 'x') + "\"/>";
  TSGML::ReadFull(longText);
  EXPECT_EQ(sink.logs, (std::vector<std::string>{"sgml.create", "/sgml.create"}));
}

}  // namespace ruvel
