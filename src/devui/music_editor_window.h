// The music editor in a window of its own beside the game's (ウィンドウ →
// 音楽エディタ). It first asks for an `.mml` file (a name that does not exist
// starts a new song); its songs play on the game's sequencer, in place of
// the game's music, and a save is picked up by live reload. Closing the
// window asks first when the text has unsaved changes.
#pragma once
#include <SDL.h>

#include <string>

#include "devui/editor_window.h"
#include "devui/music_editor_view.h"

namespace ruvel {

class TMelvane;

class TMusicEditorWindow {
 public:
  explicit TMusicEditorWindow(TMelvane& sequencer);
  TMusicEditorWindow(const TMusicEditorWindow&) = delete;
  TMusicEditorWindow& operator=(const TMusicEditorWindow&) = delete;

  // Shows the window with its song, or with the dialog that picks one
  // (starting in dir) when none is open; false when no window can be made.
  bool Show(const std::string& dir);
  uint32_t WindowId() const { return frame_.WindowId(); }
  // Takes the events of its own window; false for others.
  bool HandleEvent(const SDL_Event& e) { return frame_.HandleEvent(e); }
  // Paints the window when it is shown.
  void Draw();
  TMusicEditorView& View() { return view_; }

 private:
  TEditorWindow frame_;
  TMusicEditorView view_;
};

}  // namespace ruvel
