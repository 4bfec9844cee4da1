// The map editor's edits as values: each command applies itself to a
// TTileMap and takes itself back, so the editor keeps unlimited undo and
// redo as two stacks of commands. Cell edits record every changed cell
// with its old and new tile; layer, solid and sheet edits record what they
// replace.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tilemap/tile_map.h"

namespace ruvel {

class TMapCommand {
 public:
  virtual ~TMapCommand() = default;
  virtual void Apply(TTileMap& map) const = 0;
  virtual void Undo(TTileMap& map) const = 0;
};

struct TCellChange {
  int32_t layer = 0;
  int32_t col = 0;
  int32_t row = 0;
  int32_t before = -1;
  int32_t after = -1;
};

// Tiles set in one stroke, rectangle or fill.
class TCellsCommand : public TMapCommand {
 public:
  // Records a cell; a cell recorded again keeps its first "before".
  void Add(const TCellChange& change);
  // Records a cell known not to be recorded yet.
  void AddNew(const TCellChange& change) { changes_.push_back(change); }
  bool Empty() const { return changes_.empty(); }
  const std::vector<TCellChange>& Changes() const { return changes_; }
  void Apply(TTileMap& map) const override;
  void Undo(TTileMap& map) const override;

 private:
  std::vector<TCellChange> changes_;
};

// Adds an empty layer at the end.
class TAddLayerCommand : public TMapCommand {
 public:
  explicit TAddLayerCommand(std::string name) : name_(std::move(name)) {}
  void Apply(TTileMap& map) const override;
  void Undo(TTileMap& map) const override;

 private:
  std::string name_;
};

// Removes a layer, keeping its cells to put it back at its place.
class TRemoveLayerCommand : public TMapCommand {
 public:
  TRemoveLayerCommand(const TTileMap& map, int32_t index);
  void Apply(TTileMap& map) const override;
  void Undo(TTileMap& map) const override;

 private:
  int32_t index_;
  TMapLayer layer_;
};

class TRenameLayerCommand : public TMapCommand {
 public:
  TRenameLayerCommand(int32_t index, std::string before, std::string after)
      : index_(index), before_(std::move(before)), after_(std::move(after)) {}
  void Apply(TTileMap& map) const override { map.RenameLayer(index_, after_); }
  void Undo(TTileMap& map) const override { map.RenameLayer(index_, before_); }

 private:
  int32_t index_;
  std::string before_;
  std::string after_;
};

// Marks a tile number solid or not.
class TSolidCommand : public TMapCommand {
 public:
  TSolidCommand(int32_t tile, bool solid) : tile_(tile), solid_(solid) {}
  void Apply(TTileMap& map) const override { map.SetSolid(tile_, solid_); }
  void Undo(TTileMap& map) const override { map.SetSolid(tile_, !solid_); }

 private:
  int32_t tile_;
  bool solid_;
};

// Changes the map's sheet line.
class TSheetCommand : public TMapCommand {
 public:
  TSheetCommand(std::string before, std::string after) : before_(std::move(before)), after_(std::move(after)) {}
  void Apply(TTileMap& map) const override { map.SetSheet(after_); }
  void Undo(TTileMap& map) const override { map.SetSheet(before_); }

 private:
  std::string before_;
  std::string after_;
};

// Puts a layer at index (the map only adds at the end: the layers after
// index are taken off and added back behind it).
void InsertLayer(TTileMap& map, int32_t index, const TMapLayer& layer);

}  // namespace ruvel
