// The effect maker in a window of its own beside the game's (ウィンドウ →
// 効果音エディタ). Closing the window asks first when the effect has unsaved
// changes; the effect plays on the game's sound, so music goes on under it.
#pragma once
#include <string>

#include <SDL.h>

#include "devui/editor_window.h"
#include "devui/sfx_editor_view.h"

namespace ruvel {

class TSfxEditorWindow {
 public:
  TSfxEditorWindow();
  TSfxEditorWindow(const TSfxEditorWindow&) = delete;
  TSfxEditorWindow& operator=(const TSfxEditorWindow&) = delete;

  // Opens the effect (a new one when the file is missing) unless it is the
  // one shown, and shows the window. An effect with unsaved changes is not
  // replaced; false then, or when the window could not be made.
  bool Open(const std::string& path);
  bool Shown() const { return frame_.Made() && view_.shown; }
  uint32_t WindowId() const { return frame_.WindowId(); }
  // Takes the events of its own window; false for others.
  bool HandleEvent(const SDL_Event& e) { return frame_.HandleEvent(e); }
  void Draw();
  TSfxEditorView& View() { return view_; }

 private:
  TEditorWindow frame_;
  TSfxEditorView view_;
};

}  // namespace ruvel
