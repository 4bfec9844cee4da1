#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "resources/sgml.h"

namespace ruvel {

TEST(SgmlElement, AttributesIgnoreCaseAndSetReplacesEveryDuplicate) {
  // The file reader keeps repeated attributes; lookup finds the first, and
  // setting must not leave an older pair that lookup would still find.
  auto e = TSGML::ReadFast(R"(<param name="a" value="1" VALUE="2"/>)");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->GetAttr("Value"), "1");
  EXPECT_EQ(e->GetAttr("missing"), "");
  e->SetAttr("Value", "3");
  ASSERT_EQ(e->AttrCount(), 2u);
  EXPECT_EQ(e->AttrName(1), "Value");  // moved to the end
  EXPECT_EQ(e->GetAttr("value"), "3");
}

TEST(SgmlElement, TagDispatchIsCaseSensitive) {
  EXPECT_EQ(ClassifyTag("resourcelist"), SgmlTag::ResourceList);
  EXPECT_EQ(ClassifyTag("cpattern"), SgmlTag::CPattern);
  EXPECT_EQ(ClassifyTag("Class"), SgmlTag::Other);
  for (const char* leaf : {"class", "globalvalue", "link", "generator", "cpattern"}) EXPECT_TRUE(IsLeafTag(leaf)) << leaf;
  for (const char* other : {"resourcelist", "classlist", "param", "module", "Class", "resinst"})
    EXPECT_FALSE(IsLeafTag(other)) << other;
  EXPECT_EQ(ToUtf8(UnknownTagMessage("Class")), "Classは不正なタグ名です");
}

TEST(SgmlEscaping, EscapesPercentFirstAndDecodesOnePassInOrder) {
  EXPECT_EQ(EscapeMarkupValue(R"(a"<b>%c)"), "a%22%3cb%3e%25c");
  EXPECT_EQ(DecodeMarkupValue("%3c%3e%22%25"), "<>\"%");
  // "%25" becomes "%" last, so its result is not decoded again in the pass.
  EXPECT_EQ(DecodeMarkupValue("%2522"), "%22");
  EXPECT_EQ(DecodeMarkupValue("%253c"), "%3c");
  EXPECT_EQ(DecodeMarkupValue("%3C%3E"), "%3C%3E");  // lower case only
}

}  // namespace ruvel
