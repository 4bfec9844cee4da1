// Malformed and hostile input for both readers: random bytes must neither
// crash nor hang, and nesting depth must not depend on the machine stack.
#include <gtest/gtest.h>

#include <random>

#include "capture_sink.h"
#include "resources/sgml.h"

namespace ruvel {

namespace {

std::string RandomMarkup(std::mt19937& rng) {
  static const std::string alphabet = "<>/\"=% abc_19%3c%22\r\n\x83\x65\x95\x5c";
  std::string text;
  int len = static_cast<int>(rng() % 200);
  for (int i = 0; i < len; ++i)
    text += (rng() % 4 == 0) ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
  return text;
}

int Depth(const TSGML* e) {
  int levels = 1;
  for (; e->HasChildren(); e = e->Child(0)) ++levels;
  return levels;
}

}  // namespace

TEST(SgmlRobustness, RandomBytesNeverCrashOrHang) {
  CaptureSink sink;
  std::mt19937 rng(1234);
  int fullRead = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text = RandomMarkup(rng);
    // The file reader, element after element as a list is read.
    size_t pos = 0;
    while (pos < text.size()) {
      size_t before = pos;
      auto e = TSGML::ReadFast(text, pos);
      ASSERT_LE(pos, text.size());
      if (!e && pos == before) break;  // at a closing tag
      if (e) {
        ASSERT_GT(pos, before);
        e->Write();
      }
    }
    // The run-time reader either reads an element or finds no tag.
    pos = 0;
    try {
      auto e = TSGML::ReadFull(text, pos);
      ASSERT_TRUE(e);
      ASSERT_LE(pos, text.size());
      e->Write();
      ++fullRead;
    } catch (const ESGMLError& err) {
      ASSERT_EQ(err.Message(), "Tag Error");
      size_t lt = text.find('<');
      ASSERT_TRUE(lt == std::string::npos || text.find('>', lt) == std::string::npos);
    }
  }
  EXPECT_GT(fullRead, 1000);
}

TEST(SgmlRobustness, NestingIsLimitedAndReportedOnce) {
  CaptureSink sink;
  const size_t limit = kMaxMarkupDepth;
  // Exactly at the limit both readers take everything, silently.
  std::string open;
  for (size_t i = 0; i < limit; ++i) open += "<a>";
  std::string closed = open;
  for (size_t i = 0; i < limit; ++i) closed += "</a>";
  EXPECT_EQ(size_t(Depth(TSGML::ReadFast(closed).get())), limit);
  EXPECT_EQ(size_t(Depth(TSGML::ReadFull(closed).get())), limit);
  EXPECT_TRUE(sink.messages.empty());

  // 200000 levels, 600 KB: the file reader stops at the limit with one
  // message and skips the rest; the run-time reader raises.
  std::string deep;
  for (int i = 0; i < 200000; ++i) deep += "<a>";
  size_t pos = 0;
  auto fast = TSGML::ReadFast(deep + "<b/>", pos);
  ASSERT_TRUE(fast);
  EXPECT_EQ(size_t(Depth(fast.get())), limit);
  EXPECT_EQ(pos, deep.size() + 4);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], MarkupTooDeepMessage());
  try {
    TSGML::ReadFull(deep + "</a>");
    ADD_FAILURE() << "no error";
  } catch (const ESGMLError& e) {
    EXPECT_EQ(e.Message(), MarkupTooDeepMessage());
  }
  // Leaf elements at the deepest level are still read.
  std::string leaves = open.substr(3) + "<class name=\"c\"><a/>";
  auto withLeaves = TSGML::ReadFast(leaves);
  const TSGML* e = withLeaves.get();
  while (e->HasChildren() && e->Child(0)->Tag() == "a") e = e->Child(0);
  ASSERT_EQ(e->ChildCount(), 2u);
  EXPECT_EQ(e->Child(0)->Tag(), "class");
}

TEST(SgmlRobustness, CloneCopiesTheWholeTreeWithoutTexts) {
  auto e = TSGML::ReadFull("<r k=\"v\">t<a x=\"1\"><b/></a><c/></r>");
  auto copy = e->Clone();
  EXPECT_EQ(copy->Write(), e->Write());
  EXPECT_TRUE(copy->Texts().empty());
  EXPECT_EQ(copy->Child(0)->Parent(), copy.get());
  EXPECT_EQ(copy->Child(0)->Child(0)->Tag(), "b");
}

// A nameless element ("<>" in a file) once came out as "</>", which
// closed its parent early when read back; it is left out when written.
TEST(SgmlRobustness, NamelessElementsAreLeftOutWhenWritten) {
  auto e = TSGML::ReadFast("<a k=\"1\"><><b/></><c/></a>");
  ASSERT_TRUE(e);
  ASSERT_EQ(e->ChildCount(), 2u);
  EXPECT_EQ(e->Child(0)->Tag(), "");
  std::string written = e->Write();
  EXPECT_EQ(written, "<a k=\"1\">\r\n <c/></a>");
  auto again = TSGML::ReadFast(written);
  EXPECT_EQ(again->Write(), written);
  // Only nameless children: the parent is written self-closed.
  auto only = TSGML::ReadFast("<a><></></a>");
  EXPECT_EQ(only->Write(), "<a/>");
  // A nameless element written alone is as it always was.
  EXPECT_EQ(TSGML::ReadFast("<>x</>")->Write(), "</>");
}

}  // namespace ruvel
