#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace ruvel {

TEST(Cp932, RoundTripsJapaneseText) {
  std::string sjis = Utf8ToCp932("変数テスト");
  EXPECT_EQ(sjis, "\x95\xcf\x90\x94\x83\x65\x83\x58\x83\x67");
  EXPECT_EQ(Cp932ToUtf8(sjis), "変数テスト");
  EXPECT_EQ(CharCount(sjis), 5);
}

TEST(Cp932, CaseFoldingLeavesTrailBytesAlone) {
  // The trail bytes of "テスト" are 'e', 'X', 'g': folding must not touch them.
  std::string sjis = Utf8ToCp932("AテストB");
  std::string folded = FoldCase(sjis);
  EXPECT_EQ(folded, "a" + sjis.substr(1, 6) + "b");
  EXPECT_TRUE(EqualsNoCase("Hello", "hELLO"));
  EXPECT_FALSE(EqualsNoCase(sjis, Utf8ToCp932("Aテ\x83xトB")));
}

TEST(Cp932, Utf8DetectionAndInvalidBytes) {
  EXPECT_TRUE(LooksLikeUtf8("変数"));
  EXPECT_FALSE(LooksLikeUtf8("plain"));
  EXPECT_FALSE(LooksLikeUtf8(Utf8ToCp932("変数")));
  EXPECT_EQ(NormalizeToCp932("変数"), Utf8ToCp932("変数"));
  // A lone lead byte at the end does not break the conversion.
  EXPECT_EQ(Cp932ToUtf8("a\x83"), "a\xEF\xBF\xBD");
}

}  // namespace ruvel
