// Line and column of a compiler offset: lines end in CR LF in the
// compiler's text whatever the file has, and a two-byte character is one
// column.
#include <gtest/gtest.h>

#include "platform/source_position.h"

namespace ruvel {
namespace {

TEST(SourcePosition, OffsetsOfTheCompilersTextBecomeLineAndColumn) {
  // "ab" CR LF "\x8a\xbf" "x": the second line starts at offset 4.
  for (std::string_view text : {"ab\ncd\n", "ab\r\ncd\r\n", "ab\ncd"}) {
    EXPECT_EQ(LineColumnOf(text, 0).line, 1) << text;
    EXPECT_EQ(LineColumnOf(text, 1).column, 2);
    EXPECT_EQ(LineColumnOf(text, 3).line, 1) << "the line end belongs to its line";
    TLineColumn c = LineColumnOf(text, 5);
    EXPECT_EQ(c.line, 2);
    EXPECT_EQ(c.column, 2);
  }
  std::string_view kanji = "\x8a\xbf" "x\r\n";
  EXPECT_EQ(LineColumnOf(kanji, 2).column, 2) << "the two-byte character is one column";
  EXPECT_EQ(LineColumnOf(kanji, 1).column, 1) << "inside the character";
  EXPECT_EQ(LineColumnOf("a\n", 7).line, 0) << "past the end: unknown";
  EXPECT_EQ(LineColumnOf("a\n", -1).line, 0);
  EXPECT_EQ(LineColumnText("/nonexistent/file.ruvel", 3), "");
}

}  // namespace
}  // namespace ruvel
