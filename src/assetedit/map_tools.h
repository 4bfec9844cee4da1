// The map editor's tools, one table: the caption its button shows, the
// key that picks it, and the edits each makes (pencil and eraser set the
// cells a stroke crosses, the rectangle fills the cells between its two
// corners, the fill replaces the connected area of one tile, the
// eyedropper only picks the tile under it).
#pragma once
#include <cstdint>
#include <vector>

#include "assetedit/map_edit_commands.h"

namespace ruvel {

#define RUVEL_MAP_TOOLS(X)              \
  X(kPencil, "ペン", 'P')               \
  X(kRectangle, "矩形", 'R')            \
  X(kFill, "塗りつぶし", 'F')           \
  X(kEyedropper, "スポイト", 'I')       \
  X(kEraser, "消しゴム", 'E')

enum class TMapTool : uint8_t {
#define RUVEL_MAP_TOOL_ENUM(id, caption, key) id,
  RUVEL_MAP_TOOLS(RUVEL_MAP_TOOL_ENUM)
#undef RUVEL_MAP_TOOL_ENUM
};

struct TMapToolInfo {
  TMapTool tool;
  const char* caption;  // UTF-8
  char key;             // the letter key that picks it
};
const std::vector<TMapToolInfo>& MapTools();

// Records into cmd the cells of layer from (c1, r1) to (c2, r2) (either
// order, clipped to the map) that are not tile yet.
void AddRectangle(const TTileMap& map, int32_t layer, int32_t c1, int32_t r1, int32_t c2, int32_t r2, int32_t tile,
                  TCellsCommand& cmd);
// Records into cmd the area of equal tiles around (col, row) of layer,
// four-connected, set to tile; nothing when the cell is tile already.
void AddFill(const TTileMap& map, int32_t layer, int32_t col, int32_t row, int32_t tile, TCellsCommand& cmd);

}  // namespace ruvel
