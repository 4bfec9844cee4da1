// The tone editor in a window of its own beside the game's (ウィンドウ →
// 音色エディタ). It edits the project's tones.wdt; closing the window asks
// first when the tables have unsaved changes.
#pragma once
#include <string>

#include <SDL.h>

#include "devui/editor_window.h"
#include "devui/tone_editor_view.h"

namespace ruvel {

class TToneEditorWindow {
 public:
  TToneEditorWindow();
  TToneEditorWindow(const TToneEditorWindow&) = delete;
  TToneEditorWindow& operator=(const TToneEditorWindow&) = delete;

  // Opens the tone file (starting from source when it does not exist yet)
  // unless it is the one shown, and shows the window. Tables with unsaved
  // changes are not replaced; false then, or when the file or the window
  // could not be opened (a message says why).
  bool Open(const std::string& path, const std::string& source);
  bool Shown() const { return frame_.Made() && view_.shown; }
  uint32_t WindowId() const { return frame_.WindowId(); }
  // Takes the events of its own window; false for others.
  bool HandleEvent(const SDL_Event& e) { return frame_.HandleEvent(e); }
  // Paints the window when it is shown.
  void Draw();
  TToneEditorView& View() { return view_; }

 private:
  bool Show();

  TEditorWindow frame_;
  TToneEditorView view_;
};

}  // namespace ruvel
