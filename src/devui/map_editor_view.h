// The map editor window "マップエディタ": a second SDL window with its own
// ImGui context over a TMapEditor (assetedit/map_editor.h). The map is
// drawn with the sheet's tiles into a texture (only the visible cells),
// with a grid and the solid overlay; beside it are the tools, the layers,
// the tile palette and the file commands. Closing with unsaved changes
// asks 保存 / 破棄 / キャンセル.
//
// The layout is fixed (one table of buttons, constant places for the map
// and the palette), so replayed mouse input reaches the same controls.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <SDL.h>

#include "devui/file_browser.h"

namespace ruvel {

class TImGuiLayer;
class TMapEditor;

// The buttons with their places in the window.
#define RUVEL_MAP_BUTTONS(X)                          \
  X(kZoomOut, "－", 416, 28, 28, 24)                   \
  X(kZoomIn, "＋", 448, 28, 28, 24)                    \
  X(kUndo, "元に戻す", 548, 28, 84, 24)                \
  X(kRedo, "やり直し", 636, 28, 84, 24)                \
  X(kSave, "保存", 724, 28, 64, 24)                    \
  X(kOpen, "開く...", 792, 28, 72, 24)                 \
  X(kNew, "新規...", 868, 28, 72, 24)                  \
  X(kSheet, "シート...", 8, 60, 104, 22)               \
  X(kLayerAdd, "追加", 8, 252, 60, 22)                 \
  X(kLayerRemove, "削除", 72, 252, 60, 22)             \
  X(kLayerRename, "名前変更", 136, 252, 96, 22)        \
  X(kSolid, "固いタイル 切替", 8, 562, 224, 22)

enum class TMapButton : uint8_t {
#define RUVEL_MAP_BUTTON_ENUM(id, caption, x, y, w, h) id,
  RUVEL_MAP_BUTTONS(RUVEL_MAP_BUTTON_ENUM)
#undef RUVEL_MAP_BUTTON_ENUM
};

struct TMapButtonPlace {
  TMapButton button;
  const char* caption;  // UTF-8
  int x, y, w, h;
};
const std::vector<TMapButtonPlace>& MapEditorButtons();

struct TMapEditorLayout {
  static constexpr int kWidth = 960;
  static constexpr int kHeight = 640;
  // The tool buttons, in the order of MapTools(), left to right.
  static constexpr int kToolX = 8, kToolY = 28, kToolW = 76, kToolH = 24, kToolStep = 80;
  // The map's view; its top-left shows map pixel (pan) / zoom.
  static constexpr int kCanvasX = 240, kCanvasY = 60, kCanvasW = 704, kCanvasH = 548;
  static constexpr int kScrollBar = 12;
  // The layer list: one row per layer.
  static constexpr int kLayersX = 8, kLayersY = 128, kLayersW = 224, kLayersH = 120, kLayerRowH = 22;
  // The palette: tile n at column n % kPaletteColumns, row n / kPaletteColumns.
  static constexpr int kPaletteX = 8, kPaletteY = 326, kPaletteW = 224, kPaletteH = 230;
  static constexpr int kPaletteCell = 32, kPaletteStep = 36, kPaletteColumns = 6;
};

class TMapEditorView {
 public:
  explicit TMapEditorView(TMapEditor& model);
  ~TMapEditorView();
  TMapEditorView(const TMapEditorView&) = delete;
  TMapEditorView& operator=(const TMapEditorView&) = delete;

  // Opens (or raises) the window; false when no window can be made.
  bool Show();
  void Hide();
  bool Shown() const { return window_ != nullptr && shown_; }
  uint32_t WindowId() const;
  SDL_Renderer* Renderer() const { return renderer_; }
  // Takes an event of this window (the close box asks first when the map
  // has unsaved changes); false for other windows' events.
  bool HandleEvent(const SDL_Event& e);
  // Asks to close: at once when nothing is unsaved, else after the
  // question. Closed() turns true once the window went away.
  void RequestClose();
  bool Closed() const { return closed_; }
  // Shows the dialog for a new map to be saved as path.
  void AskNewMap(const std::string& path);
  // Shows a message in the window's message box (UTF-8).
  void ShowMessage(const std::string& text);
  // Draws a frame. Without present the picture stays in the renderer for
  // reading back.
  void Draw(bool present = true);
  void Present();

 private:
  void DrawToolbar();
  void DrawPanel();
  void DrawLayers();
  void DrawPalette();
  void DrawCanvas();
  void RenderMap(int w, int h);
  void HandleCanvasInput(bool hovered, bool active);
  void HandleKeys();
  void DrawDialogs();
  void RunButton(TMapButton b);
  bool PlacedButton(TMapButton b);
  void Guard(const std::function<void()>& action);

  TMapEditor& model_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* canvas_ = nullptr;
  int canvasW_ = 0;
  int canvasH_ = 0;
  std::unique_ptr<TImGuiLayer> layer_;
  bool shown_ = false;
  bool closed_ = false;
  bool askClose_ = false;
  bool closeAfterSave_ = false;
  std::string message_;
  bool messagePending_ = false;
  bool askNew_ = false;
  char newPath_[512] = {};
  int newSize_[4] = {20, 15, 16, 16};
  char layerName_[128] = {};
  bool showSolid_ = true;
  bool showGrid_ = true;
  bool panning_ = false;
  float panFromX_ = 0;
  float panFromY_ = 0;
  int32_t hoverCol_ = -1;
  int32_t hoverRow_ = -1;
  TFileBrowser openBrowser_;
  TFileBrowser sheetBrowser_;
};

}  // namespace ruvel
