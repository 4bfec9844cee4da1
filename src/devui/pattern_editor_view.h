// The pattern editor window "パターンエディタ": the sheet zoomed 1x..16x
// with a pixel grid and the cut frames over it, the pattern number under
// the pointer, tools, palette and colour picker, new patterns, previews,
// undo and redo, saving, a new sheet, and the question before unsaved
// changes are closed. The model is TSheetEditor (assetedit/sheet_editor.h);
// this file only draws it and turns clicks and keys into its commands.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include <SDL.h>

#include "assetedit/sheet_editor.h"

namespace ruvel {

// The editor's commands beside the tools, each with its button caption
// (UTF-8), its key (an SDL scancode) and whether Ctrl goes with it.
#define RUVEL_SHEET_COMMANDS(X)                                   \
  X(kUndo, "元に戻す", SDL_SCANCODE_Z, true)                      \
  X(kRedo, "やり直し", SDL_SCANCODE_Y, true)                      \
  X(kSave, "保存", SDL_SCANCODE_S, true)                          \
  X(kCopy, "コピー", SDL_SCANCODE_C, true)                        \
  X(kPaste, "貼り付け", SDL_SCANCODE_V, true)                     \
  X(kFlipH, "左右反転", SDL_SCANCODE_H, false)                    \
  X(kFlipV, "上下反転", SDL_SCANCODE_J, false)                    \
  X(kTurn, "90度回転", SDL_SCANCODE_T, false)                     \
  X(kNewPattern, "新しいパターン", SDL_SCANCODE_N, false)         \
  X(kZoomIn, "拡大", SDL_SCANCODE_EQUALS, false)                  \
  X(kZoomOut, "縮小", SDL_SCANCODE_MINUS, false)

enum class TSheetCommand : uint8_t {
#define RUVEL_SHEET_COMMAND_ENUM(id, caption, key, ctrl) id,
  RUVEL_SHEET_COMMANDS(RUVEL_SHEET_COMMAND_ENUM)
#undef RUVEL_SHEET_COMMAND_ENUM
};

class TPatternEditorView {
 public:
  // Opens a sheet (a message box tells why when it cannot); false then.
  bool Open(const std::string& path);
  // Draws the window when shown. fill: the window covers the whole
  // display without a title bar (the --edit-sheet program).
  void Draw(SDL_Renderer* renderer, bool fill);
  // Runs one command; false when it did nothing.
  bool Run(TSheetCommand c);
  // Asks to close: at once when nothing is unsaved, else after the
  // question 保存/破棄/キャンセル.
  void RequestClose();
  // Frees the texture (before the renderer goes).
  void ReleaseTexture();

  TSheetEditor editor;
  bool shown = false;
  int zoom = 4;
  // Where new sheets go: "images" under this folder (the project's).
  std::string projectDir;
  // After a successful save (the shell reloads the sheet in the game).
  std::function<void(const std::string& path)> saved;
  // Registers a newly made sheet as a pattern resource; none outside a page.
  std::function<void(const std::string& path)> registerSheet;

 private:
  void DrawCanvas(SDL_Renderer* renderer);
  void DrawPanel();
  void DrawPreview();
  void DrawNewSheetPopup();
  void DrawClosePopup();
  void HandleKeys();
  void UpdateTexture(SDL_Renderer* renderer);
  bool SaveNow();

  SDL_Texture* texture_ = nullptr;
  SDL_Renderer* textureRenderer_ = nullptr;
  uint64_t textureVersion_ = 0;
  int hoverPattern_ = -1;
  int previewPattern_ = 0;
  int animFirst_ = 0;
  int animLast_ = 0;
  float animFps_ = 4.0f;
  bool askClose_ = false;
  bool askNewSheet_ = false;
  char newName_[64] = "sheet";
  int newWidth_ = 128;
  int newHeight_ = 64;
  float newBackground_[3] = {1.0f, 1.0f, 1.0f};
  bool newPng_ = true;
  std::string status_;  // the last message shown under the tools (UTF-8)
};

}  // namespace ruvel
