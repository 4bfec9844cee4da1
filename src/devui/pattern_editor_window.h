// The pattern editor in a window of its own beside the game's (opened from
// the ウィンドウ menu or the pattern window). A sheet saved there is cut
// again for the running page; a new sheet is registered in the page as the
// pattern window registers one. Closing the window asks first when the
// sheet has unsaved changes.
#pragma once
#include <memory>
#include <string>

#include <SDL.h>

#include "devui/pattern_editor_view.h"

namespace ruvel {

class TImGuiLayer;

class TPatternEditorWindow {
 public:
  TPatternEditorWindow();
  ~TPatternEditorWindow();
  TPatternEditorWindow(const TPatternEditorWindow&) = delete;
  TPatternEditorWindow& operator=(const TPatternEditorWindow&) = delete;

  // Opens the sheet (unless it is the one shown) and shows the window.
  // A sheet with unsaved changes is not replaced; false then, or when the
  // sheet or the window could not be opened (a message says why).
  bool Open(const std::string& path);
  // Shows the window again with its sheet; false when none is loaded.
  bool Show();
  bool Shown() const { return window_ && view_.shown; }
  uint32_t WindowId() const;
  // Takes the events of its own window; false for others.
  bool HandleEvent(const SDL_Event& e);
  // Paints the window when it is shown.
  void Draw();
  TPatternEditorView& View() { return view_; }

 private:
  bool MakeWindow();

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  std::unique_ptr<TImGuiLayer> layer_;
  TPatternEditorView view_;
  bool visible_ = false;
  std::string title_;
};

}  // namespace ruvel
