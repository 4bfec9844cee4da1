// TMapEditor: the map editor without drawing (map_editor_view draws it).
// It holds the map being edited with its file, the sheet it is painted
// from, the picked tile and tool, the layers hidden in the editor, the pan
// and zoom, and every edit as a command on an undo stack (unlimited undo
// and redo). A save that fails keeps the edit and the unsaved state.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "assetedit/map_edit_commands.h"
#include "assetedit/map_sheet.h"
#include "assetedit/map_tools.h"
#include "tilemap/tile_map.h"

namespace ruvel {

class TMapEditor {
 public:
  // A new map of one empty layer, to be saved as path. Throws TMapError
  // for sizes out of the limits.
  void New(const std::string& path, int32_t columns, int32_t rows, int32_t tileWidth, int32_t tileHeight);
  // Opens a map file, or imports a Tiled map (.tmj, .tmx), which is then
  // saved as a ".map" file beside it. Throws TMapError; the open map stays.
  void Open(const std::string& path);
  // Saves atomically; false with the reason in LastError (the edit and the
  // unsaved state stay).
  bool Save();
  // Told the file after every successful save.
  std::function<void(const std::string& path)> onSaved;
  bool Dirty() const;
  bool Loaded() const { return !map_.Empty(); }
  const std::string& Path() const { return path_; }
  const TTileMap& Map() const { return map_; }
  const std::string& LastError() const { return lastError_; }

  // The sheet: the one the map's sheet line names. Choosing another writes
  // its path, relative to the map's folder, into the sheet line (undoable).
  TMapSheet& Sheet() { return sheet_; }
  void ChooseSheet(const std::string& file);

  TMapTool tool = TMapTool::kPencil;
  int32_t picked = 0;  // the tile the tools paint; -1 erases

  // The mouse on the map: a press, a move while pressed, and the release,
  // at a cell (cells outside the map are clipped or ignored).
  void Press(int32_t col, int32_t row);
  void Drag(int32_t col, int32_t row);
  void Release();
  bool Stroking() const { return stroking_; }

  // Runs an edit and puts it on the undo stack.
  void Execute(std::unique_ptr<TMapCommand> cmd);
  bool CanUndo() const { return !done_.empty(); }
  bool CanRedo() const { return !undone_.empty(); }
  void Undo();
  void Redo();

  // Layers. Add, remove and rename are edits; the selected layer is the
  // one the tools paint. A refusal (name taken, the last layer) throws
  // TMapError with the message to show.
  void AddLayer(const std::string& name);
  void RemoveLayer(int32_t index);
  void RenameLayer(int32_t index, const std::string& name);
  void SelectLayer(int32_t index) { map_.SelectLayer(index); }
  int32_t CurrentLayer() const { return map_.CurrentLayer(); }
  // A name "layerN" not yet taken.
  std::string FreeLayerName() const;
  // Hidden layers are left out of the editor's picture only.
  bool LayerShown(int32_t index) const;
  void ShowLayer(int32_t index, bool shown);

  // Marks a tile number solid or not (an edit).
  void ToggleSolid(int32_t tile);

  // Pan and zoom: the view shows the map scaled by Zoom(), its top-left
  // pixel at map pixel (panX, panY) / zoom.
  static const std::vector<double>& ZoomSteps();
  double Zoom() const { return ZoomSteps()[size_t(zoomIndex_)]; }
  // Zooms in (steps > 0) or out, keeping the map point under the view
  // position (vx, vy) where it is.
  void ZoomBy(int steps, double vx, double vy);
  void PanBy(double dx, double dy);
  double panX = 0;
  double panY = 0;
  // The cell under a view position; false outside the map.
  bool CellAt(double vx, double vy, int32_t& col, int32_t& row) const;

 private:
  void Reset();
  void EndPreview();
  void PaintCell(int32_t col, int32_t row, int32_t tile);
  struct TDone {
    std::unique_ptr<TMapCommand> cmd;
    uint64_t serial;
  };

  TTileMap map_;
  std::string path_;
  std::string lastError_;
  TMapSheet sheet_;
  std::vector<TDone> done_;
  std::vector<TDone> undone_;
  uint64_t nextSerial_ = 1;
  uint64_t savedSerial_ = 0;  // the top of done_ when last saved (0: none)
  bool savedEver_ = true;     // false for a map not yet written to path_
  std::set<std::string> hidden_;
  int zoomIndex_ = 3;
  // The stroke in progress: its cells are on the map already.
  bool stroking_ = false;
  int32_t anchorCol_ = 0;
  int32_t anchorRow_ = 0;
  int32_t lastCol_ = 0;  // where the pencil was at the last Drag
  int32_t lastRow_ = 0;
  TCellsCommand stroke_;
};

}  // namespace ruvel
