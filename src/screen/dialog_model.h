// The state of the two script dialogs, kept apart from their windows so it
// can be driven without a display: the text input window ("InputBox") and
// the choice window ("SelectBox"). Each holds its texts (CP932) and the
// status that scripts poll every frame. Each dialog is made once and reused:
// opening it again resets the status to 0 and keeps the texts that the new
// call does not replace.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace ruvel {

class TInputBoxModel {
 public:
  static constexpr int32_t kOpen = 0;
  static constexpr int32_t kOk = 1;
  static constexpr int32_t kCancel = 2;

  TInputBoxModel();

  // Each text given replaces the caption, the prompt or the edit's text; a
  // missing one (a null argument) keeps the previous text. Status 0.
  void Open(const std::optional<std::string>& caption, const std::optional<std::string>& prompt,
            const std::optional<std::string>& text);
  // "OK" (Enter) and "キャンセル" (Escape) close the dialog with 1 and 2.
  void Ok();
  void Cancel();
  // Closed any other way (the title-bar button): 2 while unanswered.
  void Close();

  // Editing the one-line text: appends CP932 text at the end, or removes
  // the last character (both bytes of a double-byte character).
  void Append(const std::string& cp932);
  void Backspace();

  bool Visible() const { return visible_; }
  int32_t Status() const { return status_; }
  const std::string& Caption() const { return caption_; }
  const std::string& Prompt() const { return prompt_; }
  const std::string& Text() const { return text_; }

 private:
  std::string caption_;
  std::string prompt_;
  std::string text_;
  int32_t status_ = kOpen;
  bool visible_ = false;
};

class TSelectBoxModel {
 public:
  static constexpr int kButtons = 4;
  static constexpr int32_t kOpen = 0;
  static constexpr int32_t kClosed = -1;

  TSelectBoxModel();

  // Sets the message, the caption and the four button texts; buttons 3 and
  // 4 are shown only when their text is not "null" (a null argument's
  // text). Status 0.
  void Open(const std::string& message, const std::string& caption, const std::array<std::string, kButtons>& buttons);
  // The button numbered 1 to 4 was pressed: its number becomes the status.
  // A number out of range or a hidden button is ignored.
  void Choose(int number);
  // Closed any other way: -1 while unanswered.
  void Close();

  bool Visible() const { return visible_; }
  int32_t Status() const { return status_; }
  const std::string& Message() const { return message_; }
  const std::string& Caption() const { return caption_; }
  // Button number n (1 to 4).
  const std::string& ButtonText(int n) const { return buttons_[n - 1]; }
  bool ButtonShown(int n) const { return shown_[n - 1]; }
  // The number of buttons shown (2 to 4).
  int ShownCount() const;

 private:
  std::string message_;
  std::string caption_;
  std::array<std::string, kButtons> buttons_;
  std::array<bool, kButtons> shown_{true, true, true, true};
  int32_t status_ = kOpen;
  bool visible_ = false;
};

// A button text for display: a mnemonic "&" is dropped ("&&" is one "&"),
// and the letter after it is returned in mnemonic (upper case, 0 if none).
std::string StripMnemonic(const std::string& text, char& mnemonic);

}  // namespace ruvel
