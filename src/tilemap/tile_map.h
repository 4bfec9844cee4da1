// TTileMap: a grid of tile numbers in one or more named layers, with the
// set of tile numbers that are solid. Tile n is drawn as pattern
// firstPattern + n; -1 is an empty cell. The map file is text a person can
// read and diff:
//
//   map COLUMNS ROWS TILEWIDTH TILEHEIGHT
//   sheet images/tiles.png      (optional; the sheet the map editor paints from)
//   solid 3,4,7                 (optional; the solid tile numbers)
//   layer NAME                  (optional before the first block)
//   one line per row: COLUMNS comma-separated tile numbers
//   layer NAME2
//   ...
//
// A map without a "layer" line has one layer named "main". Reading never
// crashes: a bad file gives a TMapError with the file's name and the line.
#pragma once
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace ruvel {

// Largest map on either side, and largest tile, in cells and pixels.
constexpr int32_t kMaxMapSide = 4096;
constexpr int32_t kMaxTileSide = 1024;
// Largest number of layers, and largest tile number.
constexpr int32_t kMaxMapLayers = 64;
constexpr int32_t kMaxTileNumber = 65535;

// A map that cannot be read or made: message (UTF-8) names the file and,
// when it comes from one, the line (1-based; 0 when none).
class TMapError : public std::runtime_error {
 public:
  TMapError(const std::string& message, int32_t line) : std::runtime_error(message), line_(line) {}
  int32_t Line() const { return line_; }

 private:
  int32_t line_;
};

struct TMapLayer {
  std::string name;
  std::vector<int32_t> cells;  // rows from the top, columns x rows
};

class TTileMap {
 public:
  TTileMap() = default;
  // A map of one layer "main", every cell -1. Throws TMapError for sizes
  // below 1 or above the limits.
  TTileMap(int32_t columns, int32_t rows, int32_t tileWidth, int32_t tileHeight);

  int32_t Columns() const { return columns_; }
  int32_t Rows() const { return rows_; }
  int32_t TileWidth() const { return tileWidth_; }
  int32_t TileHeight() const { return tileHeight_; }
  bool Empty() const { return layers_.empty(); }

  // Layers, in file order; the current one is what Get/Set/TileAt/Hits use.
  const std::vector<TMapLayer>& Layers() const { return layers_; }
  int32_t CurrentLayer() const { return current_; }
  // Selects the layer by name; false (nothing changes) when there is none.
  bool SelectLayer(const std::string& name);
  void SelectLayer(int32_t index);
  // Adds an empty layer (every cell -1) at the end and returns its index;
  // throws TMapError when the name is taken, empty or there are too many.
  int32_t AddLayer(const std::string& name);
  void RemoveLayer(int32_t index);
  void RenameLayer(int32_t index, const std::string& name);

  // The tile of the current layer; -1 outside the map.
  int32_t Get(int32_t col, int32_t row) const;
  // Sets a cell of the current layer; false outside the map or for a tile
  // number below -1 or above kMaxTileNumber.
  bool Set(int32_t col, int32_t row, int32_t tile);
  int32_t GetIn(int32_t layer, int32_t col, int32_t row) const;
  bool SetIn(int32_t layer, int32_t col, int32_t row, int32_t tile);
  // The tile under map pixel (px, py) in the current layer; -1 outside.
  int32_t TileAt(int64_t px, int64_t py) const;

  void SetSolid(int32_t tile, bool solid);
  bool IsSolid(int32_t tile) const { return solid_.count(tile) != 0; }
  const std::set<int32_t>& SolidTiles() const { return solid_; }

  // The "sheet" line: the pattern sheet the map editor paints from,
  // relative to the map file's folder. The game ignores it (setPattern
  // decides what is drawn); empty when the file has none.
  const std::string& Sheet() const { return sheet_; }
  void SetSheet(const std::string& sheet) { sheet_ = sheet; }
  // 1 when a solid tile of the current layer overlaps the rectangle of map
  // pixels from (x1, y1) to (x2, y2), both corners inside (either order).
  bool Hits(int64_t x1, int64_t y1, int64_t x2, int64_t y2) const;

  // The map file's text, and reading it back. name is the file's name used
  // in messages.
  std::string ToText() const;
  static TTileMap FromText(const std::string& text, const std::string& name);
  // Reads a map file (throws TMapError naming path), writes one atomically
  // (false when the write failed; the old file is then untouched).
  static TTileMap Load(const std::string& path);
  bool Save(const std::string& path) const;

  bool operator==(const TTileMap& o) const;

 private:
  int32_t columns_ = 0;
  int32_t rows_ = 0;
  int32_t tileWidth_ = 0;
  int32_t tileHeight_ = 0;
  std::vector<TMapLayer> layers_;
  int32_t current_ = 0;
  std::set<int32_t> solid_;
  std::string sheet_;
};

}  // namespace ruvel
