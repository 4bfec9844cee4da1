#include "screen/dialog_model.h"

#include <cctype>

#include "platform/cp932.h"

namespace ruvel {

TInputBoxModel::TInputBoxModel() : caption_(J("入力")), prompt_(J("文字を入力してください：")) {}

void TInputBoxModel::Open(const std::optional<std::string>& caption, const std::optional<std::string>& prompt,
                          const std::optional<std::string>& text) {
  if (caption) caption_ = *caption;
  if (prompt) prompt_ = *prompt;
  if (text) text_ = *text;
  status_ = kOpen;
  visible_ = true;
}

void TInputBoxModel::Ok() {
  if (!visible_) return;
  status_ = kOk;
  visible_ = false;
}

void TInputBoxModel::Cancel() {
  if (!visible_) return;
  status_ = kCancel;
  visible_ = false;
}

void TInputBoxModel::Close() {
  if (!visible_) return;
  if (status_ == kOpen) status_ = kCancel;
  visible_ = false;
}

void TInputBoxModel::Append(const std::string& cp932) { text_ += cp932; }

void TInputBoxModel::Backspace() {
  if (text_.empty()) return;
  // Walk from the start: a trail byte may look like a lead byte.
  size_t last = 0;
  for (size_t i = 0; i < text_.size();) {
    last = i;
    i += (IsLeadByte(static_cast<unsigned char>(text_[i])) && i + 1 < text_.size()) ? 2 : 1;
  }
  text_.erase(last);
}

TSelectBoxModel::TSelectBoxModel()
    : caption_(J("確認")), buttons_{J("はい(&Y)"), J("いいえ(&N)"), J("キャンセル"), J("その他")} {}

void TSelectBoxModel::Open(const std::string& message, const std::string& caption,
                           const std::array<std::string, kButtons>& buttons) {
  message_ = message;
  caption_ = caption;
  buttons_ = buttons;
  shown_[2] = buttons[2] != "null";
  shown_[3] = buttons[3] != "null";
  status_ = kOpen;
  visible_ = true;
}

void TSelectBoxModel::Choose(int number) {
  if (!visible_ || number < 1 || number > kButtons || !shown_[number - 1]) return;
  status_ = number;
  visible_ = false;
}

void TSelectBoxModel::Close() {
  if (!visible_) return;
  if (status_ == kOpen) status_ = kClosed;
  visible_ = false;
}

int TSelectBoxModel::ShownCount() const {
  int n = 0;
  for (bool s : shown_) n += s ? 1 : 0;
  return n;
}

std::string StripMnemonic(const std::string& text, char& mnemonic) {
  std::string out;
  mnemonic = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c) && i + 1 < text.size()) {
      out += text.substr(i, 2);
      ++i;
      continue;
    }
    if (c == '&' && i + 1 < text.size()) {
      ++i;
      unsigned char m = static_cast<unsigned char>(text[i]);
      if (m < 0x80 && std::isalnum(m) && !mnemonic) mnemonic = static_cast<char>(std::toupper(m));
      if (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
        out += text.substr(i, 2);
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace ruvel
