#include "platform/message_box_model.h"

#include <algorithm>
#include <utility>

#include "platform/cp932.h"

namespace ruvel {

namespace {

// The length in bytes of the CP932 character at text[i].
size_t CharLength(std::string_view text, size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

int TextWidth(const std::function<int(std::string_view)>& width, std::string_view text) {
  int w = 0;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) w += width(text.substr(i, CharLength(text, i)));
  return w;
}

// The paragraphs of the text: split at line ends, carriage returns dropped,
// a tab as four spaces.
std::vector<std::string> Paragraphs(const std::string& text) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    char c = text[i];
    if (c == '\n') {
      out.emplace_back();
    } else if (c == '\t') {
      out.back() += "    ";
    } else if (c != '\r') {
      out.back().append(text, i, CharLength(text, i));
    }
  }
  return out;
}

// Breaks one paragraph into lines no wider than maxWidth: after the last
// space or slash of a line when it has one (words and folder names stay
// whole), else before the character that does not fit.
void WrapParagraph(const std::string& text, int maxWidth, const std::function<int(std::string_view)>& width,
                   std::vector<std::string>& lines) {
  std::string line;
  int lineWidth = 0;
  size_t afterSpace = std::string::npos;
  for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    std::string_view ch = std::string_view(text).substr(i, CharLength(text, i));
    int w = width(ch);
    if (lineWidth + w > maxWidth && !line.empty()) {
      if (afterSpace != std::string::npos && afterSpace < line.size()) {
        std::string rest = line.substr(afterSpace);
        line.erase(afterSpace);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines.push_back(std::move(line));
        line = std::move(rest);
        lineWidth = TextWidth(width, line);
      } else {
        lines.push_back(std::move(line));
        line.clear();
        lineWidth = 0;
      }
      afterSpace = std::string::npos;
      if (line.empty() && ch == " ") continue;
    }
    line += ch;
    lineWidth += w;
    if (ch == " " || ch == "/") afterSpace = line.size();
  }
  lines.push_back(std::move(line));
}

}  // namespace

TMessageBoxModel::TMessageBoxModel(TMessageBoxRequest request) : request_(std::move(request)) {
  if (request_.buttons.empty()) request_.buttons.push_back("OK");
  int last = static_cast<int>(request_.buttons.size()) - 1;
  request_.enterButton = std::clamp(request_.enterButton, 0, last);
  request_.escapeButton = std::clamp(request_.escapeButton, 0, last);
  focused_ = request_.enterButton;
}

void TMessageBoxModel::Layout(const std::function<int(std::string_view)>& width, int lineHeight,
                              const TLimits& limits) {
  lineHeight_ = std::max(lineHeight, 1);
  int buttonWidth = kButtonMinWidth;
  for (const std::string& label : request_.buttons) {
    buttonWidth = std::max(buttonWidth, TextWidth(width, label) + 2 * kButtonPadding);
  }
  int count = static_cast<int>(request_.buttons.size());
  int rowWidth = count * buttonWidth + (count - 1) * kButtonGap;

  int maxText = std::max(limits.maxWidth - 2 * kMargin, 1);
  lines_.clear();
  for (const std::string& paragraph : Paragraphs(request_.text)) WrapParagraph(paragraph, maxText, width, lines_);
  while (lines_.size() > 1 && lines_.back().empty()) lines_.pop_back();

  int room = limits.maxHeight - 3 * kMargin - kButtonHeight + kLineGap;
  size_t maxLines = static_cast<size_t>(std::max(room / (lineHeight_ + kLineGap), 1));
  if (lines_.size() > maxLines) {
    size_t hidden = lines_.size() - maxLines + 1;
    lines_.resize(maxLines - 1);
    lines_.push_back(J("… (ほか ") + std::to_string(hidden) + J(" 行)"));
  }

  int textWidth = 0;
  for (const std::string& line : lines_) textWidth = std::max(textWidth, TextWidth(width, line));
  // A little room beyond the summed widths: a line drawn whole may be a
  // pixel or two wider than its characters one by one.
  width_ = std::max({textWidth + 4 + 2 * kMargin, rowWidth + 2 * kMargin, limits.minWidth});
  width_ = std::min(width_, std::max(limits.maxWidth, rowWidth + 2 * kMargin));
  int textHeight = static_cast<int>(lines_.size()) * (lineHeight_ + kLineGap) - kLineGap;
  height_ = kMargin + textHeight + kMargin + kButtonHeight + kMargin;

  buttonRects_.clear();
  int x = (width_ - rowWidth) / 2;
  int y = height_ - kMargin - kButtonHeight;
  for (int i = 0; i < count; ++i) {
    buttonRects_.push_back({x, y, buttonWidth, kButtonHeight});
    x += buttonWidth + kButtonGap;
  }
}

void TMessageBoxModel::Key(TBoxKey key) {
  int count = static_cast<int>(request_.buttons.size());
  switch (key) {
    case TBoxKey::kEnter:
    case TBoxKey::kSpace:
      answer_ = focused_;
      break;
    case TBoxKey::kEscape:
      answer_ = request_.escapeButton;
      break;
    case TBoxKey::kNext:
      focused_ = (focused_ + 1) % count;
      break;
    case TBoxKey::kPrevious:
      focused_ = (focused_ + count - 1) % count;
      break;
  }
}

int TMessageBoxModel::ButtonAt(int x, int y) const {
  for (size_t i = 0; i < buttonRects_.size(); ++i) {
    if (buttonRects_[i].Contains(x, y)) return static_cast<int>(i);
  }
  return -1;
}

void TMessageBoxModel::MouseDown(int x, int y) {
  pressed_ = ButtonAt(x, y);
  if (pressed_ >= 0) focused_ = pressed_;
}

void TMessageBoxModel::MouseUp(int x, int y) {
  int hit = ButtonAt(x, y);
  if (hit >= 0 && hit == pressed_) answer_ = hit;
  pressed_ = -1;
}

std::string TMessageBoxModel::OneLine(const std::string& cp932) {
  std::string utf8 = ToUtf8(cp932);
  std::string out;
  for (size_t i = 0; i < utf8.size(); ++i) {
    char c = utf8[i];
    if (c == '\r') continue;
    if (c != '\n') {
      out += c;
      continue;
    }
    while (i + 1 < utf8.size() && std::string_view(" \t\r\n").find(utf8[i + 1]) != std::string_view::npos) ++i;
    if (!out.empty() && i + 1 < utf8.size()) out += ' ';
  }
  return out;
}

}  // namespace ruvel
