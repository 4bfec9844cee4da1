// The effect maker "効果音エディタ": a slider with its value for every key
// of the effect, the wave, the presets, ランダム and 変化 (mutate), undo and
// redo, 再生 and 保存, and a drawing of the rendered waveform. Every change
// plays the effect through the program's sound manager, so a recording of
// the run (--record-audio) has it. The model is TSfxEditor
// (assetedit/sfx_editor.h); this file draws it and turns clicks and keys
// into its commands. Closing with unsaved changes asks first.
#pragma once
#include <cstdint>
#include <string>

#include <SDL.h>

#include "assetedit/sfx_editor.h"
#include "devui/file_browser.h"

namespace ruvel {

// The commands beside the sliders: caption (UTF-8), key (an SDL scancode)
// and whether Ctrl goes with it. The presets answer to the keys 1 to 7.
#define RUVEL_SFX_COMMANDS(X)                    \
  X(kPlay, "再生", SDL_SCANCODE_SPACE, false)    \
  X(kRandom, "ランダム", SDL_SCANCODE_R, false)  \
  X(kMutate, "変化", SDL_SCANCODE_M, false)      \
  X(kUndo, "元に戻す", SDL_SCANCODE_Z, true)     \
  X(kRedo, "やり直し", SDL_SCANCODE_Y, true)     \
  X(kOpen, "開く", SDL_SCANCODE_O, true)         \
  X(kSave, "保存", SDL_SCANCODE_S, true)         \
  X(kClose, "閉じる", SDL_SCANCODE_W, true)

enum class TSfxCommand : uint8_t {
#define RUVEL_SFX_COMMAND_ENUM(id, caption, key, ctrl) id,
  RUVEL_SFX_COMMANDS(RUVEL_SFX_COMMAND_ENUM)
#undef RUVEL_SFX_COMMAND_ENUM
};

class TSfxEditorView {
 public:
  // The effect last played stays loaded in the sound manager until the
  // next play replaces it (the manager frees it at the end).
  TSfxEditorView() = default;
  TSfxEditorView(const TSfxEditorView&) = delete;
  TSfxEditorView& operator=(const TSfxEditorView&) = delete;

  // Opens an effect file (a new effect when it does not exist); false with
  // a message box when it cannot be read. What was clamped or ignored in
  // the file is shown under the buttons.
  bool Open(const std::string& path);
  // Draws the window when shown. fill: the window covers the whole display
  // without a title bar (the --edit-sfx program).
  void Draw(bool fill);
  bool Run(TSfxCommand c);
  // Closes at once when nothing is unsaved, else after the question
  // 保存/破棄/キャンセル.
  void RequestClose();

  TSfxEditor editor;
  bool shown = false;
  bool opened = false;

 private:
  void DrawSliders();
  void DrawButtons();
  void DrawWaveform();
  void DrawClosePopup();
  void HandleKeys();
  bool SaveNow();
  // Plays the effect as it is now on the sound manager's effect slots.
  void PlayNow();

  // The dialog of 開く (Ctrl+O): another effect, once this one is saved.
  void ShowOpenDialog();
  TFileBrowser browser_;
  int32_t effectId_ = 0;
  std::string status_;  // the last message shown under the buttons (UTF-8)
  bool askClose_ = false;
};

}  // namespace ruvel
