#include "assetedit/map_tools.h"

#include <algorithm>

namespace ruvel {

const std::vector<TMapToolInfo>& MapTools() {
  static const std::vector<TMapToolInfo> table = {
#define RUVEL_MAP_TOOL_ROW(id, caption, key) {TMapTool::id, caption, key},
      RUVEL_MAP_TOOLS(RUVEL_MAP_TOOL_ROW)
#undef RUVEL_MAP_TOOL_ROW
  };
  return table;
}

void AddRectangle(const TTileMap& map, int32_t layer, int32_t c1, int32_t r1, int32_t c2, int32_t r2, int32_t tile,
                  TCellsCommand& cmd) {
  int32_t left = std::max(0, std::min(c1, c2));
  int32_t right = std::min(map.Columns() - 1, std::max(c1, c2));
  int32_t top = std::max(0, std::min(r1, r2));
  int32_t bottom = std::min(map.Rows() - 1, std::max(r1, r2));
  for (int32_t row = top; row <= bottom; ++row) {
    for (int32_t col = left; col <= right; ++col) {
      int32_t before = map.GetIn(layer, col, row);
      if (before != tile) cmd.AddNew({layer, col, row, before, tile});
    }
  }
}

TReplaceCommand MakeFill(const TTileMap& map, int32_t layer, int32_t col, int32_t row, int32_t tile) {
  int32_t from = map.GetIn(layer, col, row);
  TReplaceCommand cmd(layer, from, tile);
  if (col < 0 || row < 0 || col >= map.Columns() || row >= map.Rows() || from == tile) return cmd;
  // An explicit stack of cell indices and a visited grid: a 4096 x 4096
  // area must not overflow the call stack. A cell is marked when it is
  // pushed, so the stack never holds more than the area.
  const uint32_t columns = uint32_t(map.Columns());
  const uint32_t rows = uint32_t(map.Rows());
  std::vector<uint8_t> seen(size_t(columns) * rows, 0);
  std::vector<uint32_t> todo;
  auto visit = [&](uint32_t c, uint32_t r) {
    uint32_t at = r * columns + c;
    if (seen[at] || map.GetIn(layer, int32_t(c), int32_t(r)) != from) return;
    seen[at] = 1;
    todo.push_back(at);
  };
  visit(uint32_t(col), uint32_t(row));
  while (!todo.empty()) {
    uint32_t at = todo.back();
    todo.pop_back();
    cmd.AddCell(at);
    uint32_t c = at % columns;
    uint32_t r = at / columns;
    if (c + 1 < columns) visit(c + 1, r);
    if (c > 0) visit(c - 1, r);
    if (r + 1 < rows) visit(c, r + 1);
    if (r > 0) visit(c, r - 1);
  }
  return cmd;
}

}  // namespace ruvel
