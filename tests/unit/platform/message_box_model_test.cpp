// The message box's layout and answers with a stand-in font: an ASCII
// character 8 pixels wide, a double-byte character 16.
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

TEST(MessageBoxModelTest, ButtonsFitBelowTheTextAndAnswerKeysAndClicks) {
  TMessageBoxRequest r;
  r.text = "two\nlines";
  r.buttons = {J("保存して終了"), J("保存せずに終了"), J("キャンセル")};
  r.enterButton = 0;
  r.escapeButton = 2;
  TMessageBoxModel m(r);
  m.Layout(FakeWidth, kLine, {});
  const auto& b = m.ButtonRects();
  ASSERT_EQ(b.size(), 3u);
  int textBottom = TMessageBoxModel::kMargin + 2 * kLine + TMessageBoxModel::kLineGap;
  for (size_t i = 0; i < b.size(); ++i) {
    EXPECT_GE(b[i].x, TMessageBoxModel::kMargin);
    EXPECT_LE(b[i].x + b[i].w, m.Width() - TMessageBoxModel::kMargin);
    EXPECT_GE(b[i].y, textBottom);
    EXPECT_LE(b[i].y + b[i].h, m.Height());
    EXPECT_GE(b[i].w, FakeWidth(r.buttons[i]));  // the label fits
    if (i > 0) {
      EXPECT_GT(b[i].x, b[i - 1].x + b[i - 1].w);
    }
  }

  // Escape answers the escape button; Enter the focused one, which the
  // arrows and Tab move around.
  TMessageBoxModel esc(r);
  esc.Key(TBoxKey::kEscape);
  EXPECT_EQ(esc.Answer(), 2);
  TMessageBoxModel keys(r);
  keys.Key(TBoxKey::kPrevious);
  EXPECT_EQ(keys.Focused(), 2);
  keys.Key(TBoxKey::kNext);
  keys.Key(TBoxKey::kNext);
  EXPECT_FALSE(keys.Answered());
  keys.Key(TBoxKey::kSpace);
  EXPECT_EQ(keys.Answer(), 1);

  // A click answers when pressed and released on the same button.
  m.MouseDown(b[0].x + 2, b[0].y + 2);
  m.MouseUp(b[1].x + 2, b[1].y + 2);
  EXPECT_FALSE(m.Answered());
  m.MouseDown(b[1].x + 2, b[1].y + 2);
  m.MouseUp(b[1].x + 3, b[1].y + 3);
  EXPECT_EQ(m.Answer(), 1);
}

TEST(MessageBoxModelTest, TheLogLineIsOneUtf8Line) {
  std::string text = J("文法エラー:a.ruvel") + "\r\n  a.ruvel (61) " + J("3行目") + "\n";
  EXPECT_EQ(TMessageBoxModel::OneLine(text), "文法エラー:a.ruvel a.ruvel (61) 3行目");
}

}  // namespace
}  // namespace ruvel
