// The sprite a TileMap records with draw(depth): the tiles of one layer
// that fall inside the picture, tile n drawn as pattern firstPattern + n
// with its top-left corner at map pixel (col × tileWidth, row × tileHeight)
// moved by the sprite's (x, y) (minus the camera and the adjust offset).
#pragma once
#include <memory>

#include "screen/sprite.h"
#include "tilemap/tile_map.h"

namespace ruvel {

class TTileMapSprite : public TfSprite {
 public:
  void Draw(TDrawTarget& target) override;
  // The map keeps living while the sprite is in the list, even when the
  // script loads another map into its TileMap or frees it.
  std::shared_ptr<const TTileMap> map;
  int32_t layer = 0;
  int32_t firstPattern = 0;
};

// The cells of a map with tile size tw × th at (x, y) that a picture of
// width × height shows, as first and last column and row (last < first:
// none). One more column and row on the left and top are included, for
// patterns larger than their cell.
struct TVisibleCells {
  int32_t col0 = 0, col1 = -1, row0 = 0, row1 = -1;
};
TVisibleCells VisibleCells(const TTileMap& map, int64_t x, int64_t y, int32_t width, int32_t height);

}  // namespace ruvel
