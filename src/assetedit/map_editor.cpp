#include "assetedit/map_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/paths.h"
#include "tilemap/tiled_import.h"

namespace ruvel {

void TMapEditor::Reset() {
  done_.clear();
  undone_.clear();
  savedSerial_ = 0;
  hidden_.clear();
  stroking_ = false;
  stroke_ = TCellsCommand();
  lastError_.clear();
  panX = panY = 0;
  zoomIndex_ = 3;
  picked = 0;
}

void TMapEditor::New(const std::string& path, int32_t columns, int32_t rows, int32_t tileWidth, int32_t tileHeight) {
  TTileMap map(columns, rows, tileWidth, tileHeight);
  map_ = std::move(map);
  path_ = path;
  Reset();
  savedEver_ = false;
  sheet_.Use("");
}

void TMapEditor::Open(const std::string& path) {
  TTileMap map;
  std::string target = path;
  bool imported = IsTiledMapName(path);
  if (imported) {
    map = ImportTiledMap(path);
    target = path.substr(0, path.size() - 4) + ".map";
  } else {
    map = TTileMap::Load(path);
  }
  map_ = std::move(map);
  path_ = target;
  Reset();
  savedEver_ = !imported;
  sheet_.Use(TMapSheet::Resolve(path_, map_.Sheet()));
}

bool TMapEditor::Save() {
  if (stroking_) Release();
  if (!map_.Save(path_)) {
    lastError_ = "保存できませんでした: " + path_;
    return false;
  }
  lastError_.clear();
  savedSerial_ = done_.empty() ? 0 : done_.back().serial;
  savedEver_ = true;
  if (onSaved) onSaved(path_);
  return true;
}

bool TMapEditor::Dirty() const {
  if (!savedEver_) return true;
  return (done_.empty() ? 0 : done_.back().serial) != savedSerial_;
}

void TMapEditor::ChooseSheet(const std::string& file) {
  std::string line = TMapSheet::LineFor(path_, file);
  if (line != map_.Sheet()) Execute(std::make_unique<TSheetCommand>(map_.Sheet(), line));
  sheet_.Use(TMapSheet::Resolve(path_, map_.Sheet()));
}

void TMapEditor::Execute(std::unique_ptr<TMapCommand> cmd) {
  cmd->Apply(map_);
  done_.push_back({std::move(cmd), nextSerial_++});
  undone_.clear();
}

void TMapEditor::Undo() {
  if (stroking_) Release();
  if (done_.empty()) return;
  TDone d = std::move(done_.back());
  done_.pop_back();
  d.cmd->Undo(map_);
  undone_.push_back(std::move(d));
  sheet_.Use(TMapSheet::Resolve(path_, map_.Sheet()));
}

void TMapEditor::Redo() {
  if (stroking_) Release();
  if (undone_.empty()) return;
  TDone d = std::move(undone_.back());
  undone_.pop_back();
  d.cmd->Apply(map_);
  done_.push_back(std::move(d));
  sheet_.Use(TMapSheet::Resolve(path_, map_.Sheet()));
}

void TMapEditor::Press(int32_t col, int32_t row) {
  if (!Loaded() || stroking_) return;
  int32_t layer = map_.CurrentLayer();
  if (tool == TMapTool::kEyedropper) {
    if (col >= 0 && row >= 0 && col < map_.Columns() && row < map_.Rows()) picked = map_.GetIn(layer, col, row);
    return;
  }
  if (tool == TMapTool::kFill) {
    auto cmd = std::make_unique<TCellsCommand>();
    AddFill(map_, layer, col, row, picked, *cmd);
    if (!cmd->Empty()) Execute(std::move(cmd));
    return;
  }
  stroking_ = true;
  anchorCol_ = col;
  anchorRow_ = row;
  stroke_ = TCellsCommand();
  lastCol_ = col;
  lastRow_ = row;
  Drag(col, row);
}

void TMapEditor::EndPreview() {
  stroke_.Undo(map_);
  stroke_ = TCellsCommand();
}

void TMapEditor::Drag(int32_t col, int32_t row) {
  if (!stroking_) return;
  int32_t tile = tool == TMapTool::kEraser ? -1 : picked;
  if (tool == TMapTool::kRectangle) {
    EndPreview();
    AddRectangle(map_, map_.CurrentLayer(), anchorCol_, anchorRow_, col, row, tile, stroke_);
    stroke_.Apply(map_);
    return;
  }
  // Every cell on the line from the last position, so a fast stroke
  // leaves no gaps.
  int32_t dc = std::abs(col - lastCol_);
  int32_t dr = std::abs(row - lastRow_);
  int32_t steps = std::max(dc, dr);
  for (int32_t i = 1; i <= steps; ++i) {
    PaintCell(lastCol_ + int32_t(std::lround(double(col - lastCol_) * i / steps)),
              lastRow_ + int32_t(std::lround(double(row - lastRow_) * i / steps)), tile);
  }
  if (steps == 0) PaintCell(col, row, tile);
  lastCol_ = col;
  lastRow_ = row;
}

void TMapEditor::PaintCell(int32_t col, int32_t row, int32_t tile) {
  if (col < 0 || row < 0 || col >= map_.Columns() || row >= map_.Rows()) return;
  int32_t layer = map_.CurrentLayer();
  int32_t before = map_.GetIn(layer, col, row);
  if (before == tile) return;
  map_.SetIn(layer, col, row, tile);
  stroke_.Add({layer, col, row, before, tile});
}

void TMapEditor::Release() {
  if (!stroking_) return;
  stroking_ = false;
  if (stroke_.Empty()) return;
  // The cells are on the map already: the command goes on the stack as is.
  auto cmd = std::make_unique<TCellsCommand>(std::move(stroke_));
  stroke_ = TCellsCommand();
  done_.push_back({std::move(cmd), nextSerial_++});
  undone_.clear();
}

// The map checks the name before it changes anything, and Execute stacks
// a command only once it applied: a refused name leaves no trace.
void TMapEditor::AddLayer(const std::string& name) { Execute(std::make_unique<TAddLayerCommand>(name)); }

void TMapEditor::RemoveLayer(int32_t index) {
  if (map_.Layers().size() <= 1) throw TMapError("最後のレイヤーは削除できません", 0);
  if (index < 0 || index >= int32_t(map_.Layers().size())) return;
  hidden_.erase(map_.Layers()[size_t(index)].name);
  Execute(std::make_unique<TRemoveLayerCommand>(map_, index));
}

void TMapEditor::RenameLayer(int32_t index, const std::string& name) {
  if (index < 0 || index >= int32_t(map_.Layers().size())) return;
  std::string before = map_.Layers()[size_t(index)].name;
  if (before == name) return;
  Execute(std::make_unique<TRenameLayerCommand>(index, before, name));
  if (hidden_.erase(before)) hidden_.insert(name);
}

std::string TMapEditor::FreeLayerName() const {
  for (int n = int(map_.Layers().size()) + 1;; ++n) {
    std::string name = "layer" + std::to_string(n);
    bool taken = false;
    for (const TMapLayer& l : map_.Layers()) taken = taken || l.name == name;
    if (!taken) return name;
  }
}

bool TMapEditor::LayerShown(int32_t index) const {
  if (index < 0 || index >= int32_t(map_.Layers().size())) return false;
  return hidden_.count(map_.Layers()[size_t(index)].name) == 0;
}

void TMapEditor::ShowLayer(int32_t index, bool shown) {
  if (index < 0 || index >= int32_t(map_.Layers().size())) return;
  const std::string& name = map_.Layers()[size_t(index)].name;
  if (shown) {
    hidden_.erase(name);
  } else {
    hidden_.insert(name);
  }
}

void TMapEditor::ToggleSolid(int32_t tile) {
  if (tile < 0 || tile > kMaxTileNumber) return;
  Execute(std::make_unique<TSolidCommand>(tile, !map_.IsSolid(tile)));
}

const std::vector<double>& TMapEditor::ZoomSteps() {
  static const std::vector<double> steps = {0.25, 0.5, 0.75, 1, 1.5, 2, 3, 4, 6, 8};
  return steps;
}

void TMapEditor::ZoomBy(int steps, double vx, double vy) {
  double before = Zoom();
  zoomIndex_ = std::clamp(zoomIndex_ + steps, 0, int(ZoomSteps().size()) - 1);
  double after = Zoom();
  // The map point under (vx, vy) stays under it.
  panX = (panX + vx) * after / before - vx;
  panY = (panY + vy) * after / before - vy;
}

void TMapEditor::PanBy(double dx, double dy) {
  panX += dx;
  panY += dy;
}

bool TMapEditor::CellAt(double vx, double vy, int32_t& col, int32_t& row) const {
  if (!Loaded()) return false;
  double mx = (vx + panX) / Zoom();
  double my = (vy + panY) / Zoom();
  col = int32_t(std::floor(mx / map_.TileWidth()));
  row = int32_t(std::floor(my / map_.TileHeight()));
  return col >= 0 && row >= 0 && col < map_.Columns() && row < map_.Rows();
}

}  // namespace ruvel
