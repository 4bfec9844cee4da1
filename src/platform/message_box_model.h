// The state of a message box, kept apart from its window so tests drive it
// without a display: the text wrapped into lines that fit the box, the box's
// size, its buttons and their places, the focused button, and the answer
// given by a key, a click or the window's close button. Texts are CP932.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvel {

// What a message box shows and how it may be answered.
struct TMessageBoxRequest {
  std::string title;                 // CP932
  std::string text;                  // CP932, "\n" starts a new line
  std::vector<std::string> buttons;  // CP932 labels, left to right; none: one "OK"
  int enterButton = 0;               // focused at first; Enter and Space press the focused one
  int escapeButton = 0;              // Escape and the close button answer this one
};

// The keys a message box understands.
enum class TBoxKey { kEnter, kSpace, kEscape, kNext, kPrevious };

class TMessageBoxModel {
 public:
  struct TRect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
  };
  struct TLimits {
    int minWidth = 300;
    int maxWidth = 720;   // the whole box
    int maxHeight = 560;  // the whole box
  };
  static constexpr int kMargin = 16;
  static constexpr int kButtonHeight = 28;
  static constexpr int kButtonMinWidth = 96;
  static constexpr int kButtonPadding = 16;  // on each side of a label
  static constexpr int kButtonGap = 8;
  static constexpr int kLineGap = 2;

  explicit TMessageBoxModel(TMessageBoxRequest request);

  // Wraps the text and places the buttons. width gives the width in pixels
  // of a CP932 text (one character or a whole label); lineHeight is the
  // font's height. Lines too long for the widest box are broken, after the
  // last space or slash when the line has one, else between characters;
  // lines that do not fit the highest box are left out and the last one
  // shown says so.
  void Layout(const std::function<int(std::string_view)>& width, int lineHeight, const TLimits& limits);

  // A key pressed; Enter and Space press the focused button, Escape the
  // escape button, Tab and the arrows move the focus.
  void Key(TBoxKey key);
  // The left mouse button at (x, y) of the box: a button answers when it is
  // pressed and released on it.
  void MouseDown(int x, int y);
  void MouseUp(int x, int y);
  // The window's close button.
  void Close() { answer_ = request_.escapeButton; }

  bool Answered() const { return answer_ >= 0; }
  int Answer() const { return answer_; }
  int Focused() const { return focused_; }
  int Pressed() const { return pressed_; }  // the button under a held mouse button, or -1

  const TMessageBoxRequest& Request() const { return request_; }
  const std::vector<std::string>& Lines() const { return lines_; }
  const std::vector<TRect>& ButtonRects() const { return buttonRects_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int LineHeight() const { return lineHeight_; }

  // The text as one UTF-8 line for a log: each line end, with the blanks
  // that indent the next line, becomes one space.
  static std::string OneLine(const std::string& cp932);

 private:
  int ButtonAt(int x, int y) const;

  TMessageBoxRequest request_;
  std::vector<std::string> lines_;
  std::vector<TRect> buttonRects_;
  int width_ = 0;
  int height_ = 0;
  int lineHeight_ = 0;
  int focused_ = 0;
  int pressed_ = -1;
  int answer_ = -1;
};

}  // namespace ruvel
