// The message box's wrapping with a stand-in font: an ASCII character 8
// pixels wide, a double-byte character 16. (Keys, buttons and the stderr
// line are tested through the program: integration/message_box_window_test.)
#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "platform/message_box_model.h"

namespace ruvel {
namespace {

int FakeWidth(std::string_view text) {
  int w = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      w += 16;
      ++i;
    } else {
      w += 8;
    }
  }
  return w;
}

constexpr int kLine = 16;

TEST(MessageBoxModelTest, LongTextIsWrappedToFitAndCutWithANoteWhenTooHigh) {
  TMessageBoxModel::TLimits limits;
  limits.minWidth = 100;
  limits.maxWidth = 232;  // 200 pixels of text: 12 double-byte characters, 25 ASCII ones
  limits.maxHeight = 3 * 16 + 28 + 7 * kLine + 6 * 2;  // room for seven lines
  TMessageBoxRequest r;
  // 30 double-byte characters, a path, a line of words, and more lines
  // than fit.
  std::string kanji;
  for (int i = 0; i < 30; ++i) kanji += J("字");
  r.text = kanji + "\n/usr/share/games/examples/one.txt\nalpha beta gamma delta epsilon\nx\ny\nz";
  TMessageBoxModel m(r);
  m.Layout(FakeWidth, kLine, limits);
  const auto& lines = m.Lines();
  ASSERT_EQ(lines.size(), 7u);
  // Between characters, never inside one: 12 + 12 + 6 characters.
  EXPECT_EQ(lines[0], kanji.substr(0, 24));
  EXPECT_EQ(lines[1], kanji.substr(24, 24));
  EXPECT_EQ(lines[2], kanji.substr(48));
  // Folder names and words stay whole (25 characters fit).
  EXPECT_EQ(lines[3], "/usr/share/games/");
  EXPECT_EQ(lines[4], "examples/one.txt");
  EXPECT_EQ(lines[5], "alpha beta gamma delta");
  // "epsilon", x, y and z do not fit: the last line says four are left out.
  EXPECT_EQ(ToUtf8(lines[6]), "… (ほか 4 行)");
  EXPECT_LE(m.Width(), limits.maxWidth);
  EXPECT_LE(m.Height(), limits.maxHeight);
  for (const std::string& line : lines) EXPECT_LE(FakeWidth(line), m.Width() - 2 * TMessageBoxModel::kMargin);
}

}  // namespace
}  // namespace ruvel
