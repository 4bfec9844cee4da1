#include "assetedit/map_edit_commands.h"

#include <algorithm>

namespace ruvel {

void TCellsCommand::Add(const TCellChange& change) {
  for (TCellChange& c : changes_) {
    if (c.layer == change.layer && c.col == change.col && c.row == change.row) {
      c.after = change.after;
      return;
    }
  }
  changes_.push_back(change);
}

void TCellsCommand::Apply(TTileMap& map) const {
  for (const TCellChange& c : changes_) map.SetIn(c.layer, c.col, c.row, c.after);
}

void TCellsCommand::Undo(TTileMap& map) const {
  for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) map.SetIn(it->layer, it->col, it->row, it->before);
}

void TAddLayerCommand::Apply(TTileMap& map) const { map.SelectLayer(map.AddLayer(name_)); }

void TAddLayerCommand::Undo(TTileMap& map) const {
  int32_t last = int32_t(map.Layers().size()) - 1;
  map.RemoveLayer(last);
  map.SelectLayer(std::max(0, std::min(map.CurrentLayer(), last - 1)));
}

TRemoveLayerCommand::TRemoveLayerCommand(const TTileMap& map, int32_t index)
    : index_(index), layer_(map.Layers().at(size_t(index))) {}

void TRemoveLayerCommand::Apply(TTileMap& map) const {
  map.RemoveLayer(index_);
  map.SelectLayer(std::max(0, std::min(index_, int32_t(map.Layers().size()) - 1)));
}

void TRemoveLayerCommand::Undo(TTileMap& map) const {
  InsertLayer(map, index_, layer_);
  map.SelectLayer(index_);
}

namespace {

int32_t AddFilledLayer(TTileMap& map, const TMapLayer& layer) {
  int32_t at = map.AddLayer(layer.name);
  for (int32_t row = 0; row < map.Rows(); ++row) {
    for (int32_t col = 0; col < map.Columns(); ++col) {
      map.SetIn(at, col, row, layer.cells[size_t(row) * size_t(map.Columns()) + size_t(col)]);
    }
  }
  return at;
}

}  // namespace

void InsertLayer(TTileMap& map, int32_t index, const TMapLayer& layer) {
  // The new layer goes to the end first, so the map never runs out of layers.
  int32_t moved = int32_t(map.Layers().size()) - index;
  AddFilledLayer(map, layer);
  for (int32_t k = 0; k < moved; ++k) {
    TMapLayer l = map.Layers()[size_t(index)];
    map.RemoveLayer(index);
    AddFilledLayer(map, l);
  }
}

}  // namespace ruvel
