// Malformed and hostile input for both readers: random bytes must neither
// crash nor hang, and nesting depth must not depend on the machine stack.
#include <gtest/gtest.h>

#include <random>

#include "capture_sink.h"
#include "runtime/sgml.h"

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

TEST(SgmlRobustness, DeepNestingNeedsNoMachineStack) {
  CaptureSink sink;
  const int depth = 200000;
  std::string open;
  for (int i = 0; i < depth; ++i) open += "<a>";
  auto fast = TSGML::ReadFast(open);  // truncated: every level ends at the end
  ASSERT_TRUE(fast);
  EXPECT_EQ(Depth(fast.get()), depth);

  std::string closed = open;
  for (int i = 0; i < depth; ++i) closed += "</a>";
  auto full = TSGML::ReadFull(closed);
  EXPECT_EQ(Depth(full.get()), depth);
  EXPECT_TRUE(sink.messages.empty());
  // Freeing both trees is iterative as well.
}

}  // namespace ruvel
