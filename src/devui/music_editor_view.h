// The music editor window "音楽エディタ": the MML text with line numbers
// and colours, the mistake marked at its line and column with its message,
// the notes being heard lit up in the text, the transport (再生,
// カーソルから再生, 停止, 選択範囲をループ), the piano roll with a lane per
// channel, ミュート and ソロ per channel and the play head (a click on the
// roll plays from there), undo, redo, saving, opening another file, and
// the question before unsaved changes are closed. The model is TMusicEditor
// (assetedit/music_editor.h); this file only draws it and passes on the
// clicks and keys. The roll is drawn in music_roll_view.cpp.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "assetedit/mml_colour.h"
#include "assetedit/music_editor.h"
#include "devui/file_browser.h"

struct ImGuiInputTextCallbackData;

namespace ruvel {

class TMelvane;

// The editor's commands, each with its button caption (UTF-8), its key (an
// SDL scancode) and whether Ctrl goes with it.
#define RUVEL_MUSIC_COMMANDS(X)                               \
  X(kPlay, "再生", SDL_SCANCODE_F5, false)                    \
  X(kPlayFromCursor, "カーソルから再生", SDL_SCANCODE_F6, false) \
  X(kLoop, "選択範囲をループ", SDL_SCANCODE_F7, false)        \
  X(kStop, "停止", SDL_SCANCODE_F8, false)                    \
  X(kUndo, "元に戻す", SDL_SCANCODE_Z, true)                  \
  X(kRedo, "やり直し", SDL_SCANCODE_Y, true)                  \
  X(kSave, "保存", SDL_SCANCODE_S, true)                      \
  X(kOpen, "開く", SDL_SCANCODE_O, true)                      \
  X(kClose, "閉じる", SDL_SCANCODE_W, true)

enum class TMusicCommand : uint8_t {
#define RUVEL_MUSIC_COMMAND_ENUM(id, caption, key, ctrl) id,
  RUVEL_MUSIC_COMMANDS(RUVEL_MUSIC_COMMAND_ENUM)
#undef RUVEL_MUSIC_COMMAND_ENUM
};

class TMusicEditorView {
 public:
  explicit TMusicEditorView(TMelvane& sequencer);

  // Opens an `.mml` file (a new song when it is missing); a message box
  // tells why when it cannot be read, and false then. A song with unsaved
  // changes is not replaced (false).
  bool Open(const std::string& path);
  // The dialog that picks a file to open, starting in dir.
  void ShowOpenDialog(const std::string& dir);
  // Draws the window (and the open dialog) when shown. fill: the window
  // covers the whole display without a title bar (the --edit-mml program).
  void Draw(bool fill);
  // Runs one command; false when it did nothing.
  bool Run(TMusicCommand c);
  // Asks to close: at once when nothing is unsaved, else after the
  // question 保存/破棄/キャンセル.
  void RequestClose();
  bool Loaded() const { return loaded_; }
  bool DialogShown() const { return browser_.shown; }

  TMusicEditor editor;
  bool shown = false;
  // After a successful save (the path, CP932).
  std::function<void(const std::string& path)> saved;

 private:
  static int TextCallback(ImGuiInputTextCallbackData* data);
  bool SaveNow();
  void HandleKeys();
  void DrawToolbar();
  void DrawText(float height);
  void DrawTextOverlay(float originX, float originY, float lineHeight);
  void DrawErrors();
  void DrawRoll(float height);
  void DrawClosePopup();
  // The line starts, colours and widest line of buffer_, made again when
  // the document's version changes.
  void Measure();

  TFileBrowser browser_;
  bool loaded_ = false;
  std::string buffer_;        // the text being edited (what ImGui writes)
  uint64_t shownVersion_ = 0;  // the document version in buffer_
  bool replace_ = false;      // the document changed under an active edit
  size_t cursor_ = 0;
  size_t selFrom_ = 0;
  size_t selTo_ = 0;
  bool follow_ = true;
  float pixelsPerBeat_ = 48.0f;
  uint64_t measuredVersion_ = UINT64_MAX;
  std::vector<size_t> starts_;
  std::vector<TMmlSpan> spans_;
  float widest_ = 0.0f;
  bool askClose_ = false;
  std::string status_;  // the last message under the tools (UTF-8)
};

}  // namespace ruvel
