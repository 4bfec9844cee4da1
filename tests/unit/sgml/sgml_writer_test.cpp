#include <gtest/gtest.h>

#include "capture_sink.h"
#include "platform/cp932.h"
#include "resources/sgml.h"

namespace ruvel {

TEST(SgmlWriter, OnlyOpeningTagsWithChildrenEndALine) {
  TSGML b("b");
  b.SetAttr("k", "v");
  b.AddChild(std::make_unique<TSGML>("c"));
  b.AddChild(std::make_unique<TSGML>("d"));
  EXPECT_EQ(b.Write(), "<b k=\"v\">\r\n <c/> <d/></b>");

  TSGML a("a");
  TSGML* mid = a.AddChild(std::make_unique<TSGML>("m"));
  mid->AddChild(std::make_unique<TSGML>("leaf"))->SetAttr("x", "1");
  a.AddChild(std::make_unique<TSGML>("e"));
  EXPECT_EQ(a.Write("\t"), "\t<a>\r\n\t <m>\r\n\t  <leaf x=\"1\"/>\t </m>\t <e/>\t</a>");
}

TEST(SgmlWriter, LeavesOutEmptyValuesAndNames) {
  TSGML e("param");
  e.SetAttr("name", "n");
  e.SetAttr("value", "");
  e.SetAttr("", "orphan");
  e.SetAttr("src", "s");
  EXPECT_EQ(e.Write(), "<param name=\"n\" src=\"s\"/>");
  EXPECT_EQ(TSGML("").Write(" "), " </>");
}

TEST(SgmlWriter, EscapesValuesSoTheReadersGiveThemBack) {
  CaptureSink sink;
  std::string jp = Utf8ToCp932("表ソ");
  std::vector<std::string> values = {R"(say "hi")", "a<b>c", "100%", "%41", jp + "%22" + jp};
  TSGML root("resourcelist");
  TSGML* child = root.AddChild(std::make_unique<TSGML>("param"));
  for (size_t i = 0; i < values.size(); ++i) child->SetAttr("v" + std::to_string(i), values[i]);
  root.AddChild(std::make_unique<TSGML>("class"))->SetAttr("name", jp);
  std::string text = root.Write();

  auto fast = TSGML::ReadFast(text);
  ASSERT_TRUE(fast);
  ASSERT_EQ(fast->ChildCount(), 2u);
  for (size_t i = 0; i < values.size(); ++i)
    EXPECT_EQ(fast->Child(0)->GetAttr("v" + std::to_string(i)), values[i]) << i;
  EXPECT_EQ(fast->Child(1)->GetAttr("name"), jp);
  EXPECT_EQ(fast->Write(), text);

  // The run-time reader decodes twice: a value that itself holds one of the
  // escape forms comes back decoded once more; all others come back as set.
  auto full = TSGML::ReadFull(text);
  ASSERT_TRUE(full);
  ASSERT_EQ(full->ChildCount(), 2u);
  for (size_t i = 0; i + 1 < values.size(); ++i)
    EXPECT_EQ(full->Child(0)->GetAttr("v" + std::to_string(i)), values[i]) << i;
  EXPECT_EQ(full->Child(0)->GetAttr("v4"), jp + "\"" + jp);
  EXPECT_EQ(full->Child(1)->GetAttr("name"), jp);
  EXPECT_TRUE(sink.messages.empty());
}

}  // namespace ruvel
