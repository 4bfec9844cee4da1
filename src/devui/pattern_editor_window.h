// The pattern editor in a window of its own beside the game's (opened from
// the ウィンドウ menu or the pattern window). A sheet saved there is cut
// again for the running page; a new sheet is registered in the page as the
// pattern window registers one. Closing the window asks first when the
// sheet has unsaved changes.
#pragma once
#include <string>

#include <SDL.h>

#include "devui/editor_window.h"
#include "devui/pattern_editor_view.h"

namespace ruvel {

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
  bool Shown() const { return frame_.Made() && view_.shown; }
  uint32_t WindowId() const { return frame_.WindowId(); }
  // Takes the events of its own window; false for others.
  bool HandleEvent(const SDL_Event& e) { return frame_.HandleEvent(e); }
  // Paints the window when it is shown.
  void Draw();
  TPatternEditorView& View() { return view_; }

 private:
  TEditorWindow frame_;
  TPatternEditorView view_;
};

}  // namespace ruvel
