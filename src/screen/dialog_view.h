// The windows of the script dialogs: small SDL windows drawn with the text
// renderer. The text input window shows its prompt, a one-line edit (typed
// text arrives as SDL text input, Japanese included, and is kept as CP932)
// and "OK" / "キャンセル"; the choice window shows its message and two to
// four buttons. Enter answers "OK" or the first button, Escape cancels,
// a button's mnemonic letter presses it, and buttons answer mouse clicks.
// Made only when the program has a display; it installs the dialogs' show
// hooks and the ranking's browser opener, and removes them again.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <SDL.h>

namespace ruvel {

class TTextRenderer;
class TWindow;
struct TDialogs;

class TDialogViews {
 public:
  TDialogViews(TDialogs& dialogs, TWindow* main);
  ~TDialogViews();
  TDialogViews(const TDialogViews&) = delete;
  TDialogViews& operator=(const TDialogViews&) = delete;

  void ShowInput();
  void ShowSelect();
  // Handles an event meant for one of the dialog windows; false when the
  // event belongs to another window.
  bool HandleEvent(const SDL_Event& e);

 private:
  struct TButton {
    SDL_Rect rect;
    std::string label;  // CP932, mnemonic removed
    char mnemonic;
    int number;  // the status it stores (1 to 4)
  };
  struct TView {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    std::unique_ptr<TTextRenderer> text;
    std::vector<TButton> buttons;
    int pressed = 0;  // the button under a held mouse button
    uint32_t Id() const { return window ? SDL_GetWindowID(window) : 0; }
  };

  bool Open(TView& view, int w, int h, const std::string& caption);
  void Destroy(TView& view);
  void LayoutInput();
  void LayoutSelect();
  void DrawInput();
  void DrawSelect();
  void DrawButtons(TView& view);
  // After the model changed: hides a window whose dialog closed, else redraws.
  void Sync();
  bool HandleInput(const SDL_Event& e);
  bool HandleSelect(const SDL_Event& e);
  static uint32_t EventWindow(const SDL_Event& e);
  static int ButtonAt(const TView& view, int x, int y);

  TDialogs& dialogs_;
  TWindow* main_;
  TView input_;
  TView select_;
};

}  // namespace ruvel
