// The tone editor window "音色エディタ": the selected wave as 32 bars with
// its curve, drawn with the mouse; the 96 waves as thumbnails to pick
// from; presets with the square's duty and the noise's seed; eight
// harmonic sliders; the envelope curve with its 16 envelopes; a piano row
// played from the computer keyboard; undo, redo, copy, paste and 保存; and
// the question before unsaved changes are closed. The model is TToneEditor
// (assetedit/tone_editor.h); this file only draws it and turns clicks and
// keys into its commands.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include <SDL.h>

#include "assetedit/tone_editor.h"

namespace ruvel {

class TMelvane;

// The editor's commands, each with its button caption (UTF-8), its key
// (an SDL scancode) and whether Ctrl goes with it.
#define RUVEL_TONE_COMMANDS(X)                          \
  X(kUndo, "元に戻す", SDL_SCANCODE_Z, true)            \
  X(kRedo, "やり直し", SDL_SCANCODE_Y, true)            \
  X(kCopy, "コピー", SDL_SCANCODE_C, true)              \
  X(kPaste, "貼り付け", SDL_SCANCODE_V, true)           \
  X(kOctaveDown, "オクターブ下", SDL_SCANCODE_MINUS, false) \
  X(kOctaveUp, "オクターブ上", SDL_SCANCODE_EQUALS, false)  \
  X(kSave, "保存", SDL_SCANCODE_S, true)                \
  X(kClose, "閉じる", SDL_SCANCODE_W, true)

enum class TToneCommand : uint8_t {
#define RUVEL_TONE_COMMAND_ENUM(id, caption, key, ctrl) id,
  RUVEL_TONE_COMMANDS(RUVEL_TONE_COMMAND_ENUM)
#undef RUVEL_TONE_COMMAND_ENUM
};

// The piano row: the computer key of each semitone over two octaves,
// Z S X D C V G B H N J M for the lower, Q 2 W 3 E R 5 T 6 Y 7 U for the
// upper one.
#define RUVEL_PIANO_KEYS(X)                                                                                  \
  X(SDL_SCANCODE_Z, 0) X(SDL_SCANCODE_S, 1) X(SDL_SCANCODE_X, 2) X(SDL_SCANCODE_D, 3) X(SDL_SCANCODE_C, 4)   \
  X(SDL_SCANCODE_V, 5) X(SDL_SCANCODE_G, 6) X(SDL_SCANCODE_B, 7) X(SDL_SCANCODE_H, 8) X(SDL_SCANCODE_N, 9)   \
  X(SDL_SCANCODE_J, 10) X(SDL_SCANCODE_M, 11) X(SDL_SCANCODE_Q, 12) X(SDL_SCANCODE_2, 13)                    \
  X(SDL_SCANCODE_W, 14) X(SDL_SCANCODE_3, 15) X(SDL_SCANCODE_E, 16) X(SDL_SCANCODE_R, 17)                    \
  X(SDL_SCANCODE_5, 18) X(SDL_SCANCODE_T, 19) X(SDL_SCANCODE_6, 20) X(SDL_SCANCODE_Y, 21)                    \
  X(SDL_SCANCODE_7, 22) X(SDL_SCANCODE_U, 23)

class TToneEditorView {
 public:
  // Where the parts lie in the window's pixels when it fills the display
  // (the --edit-tones program); replays and the documentation rely on it.
  static constexpr float kMargin = 8.0f;
  static constexpr float kWaveTop = 24.0f;
  static constexpr float kStepWidth = 16.0f;  // one step of a wave or envelope
  static constexpr float kWaveHeight = 256.0f;
  static constexpr float kEnvelopeTop = 312.0f;
  static constexpr float kEnvelopeHeight = 128.0f;
  static constexpr float kPianoTop = 470.0f;
  static constexpr float kSideLeft = 536.0f;
  static constexpr float kThumbWidth = 36.0f;
  static constexpr float kThumbHeight = 26.0f;
  static constexpr int kThumbColumns = 12;

  // Opens the tone file at path, starting from source when path does not
  // exist yet (a message box tells why when it cannot); false then.
  bool Open(const std::string& path, const std::string& source);
  // Draws the window when shown. fill: the window covers the whole
  // display without a title bar (the --edit-tones program).
  void Draw(bool fill);
  bool Run(TToneCommand c);
  // Plays semitone (0..23) of the piano row in the current octave.
  void PlayKey(int semitone);
  // Asks to close: at once when nothing is unsaved, else after the
  // question 保存/破棄/キャンセル.
  void RequestClose();

  TToneEditor editor;
  bool shown = false;
  int octave = 3;  // the piano row's lower C is note octave * 12
  // The sequencer the notes play on; none plays nothing.
  TMelvane* synth = nullptr;
  // After a successful save (the shell plays the game with the new file).
  std::function<void(const std::string& path)> saved;
  // After closing (the shell drops tables the notes left in the engine).
  std::function<void()> closed;

 private:
  void DrawWave();
  void DrawEnvelope();
  void DrawThumbnails();
  void DrawControls();
  void DrawPiano();
  void DrawClosePopup();
  void HandleKeys();
  bool SaveNow();
  void Close();

  bool askClose_ = false;
  float duty_ = 0.5f;
  int seed_ = 1;
  std::array<float, kHarmonics> harmonics_{1.0f};
  int envSpeed_ = 5;
  int lastNote_ = -1;
  std::string status_;  // the last message shown (UTF-8)
};

}  // namespace ruvel
