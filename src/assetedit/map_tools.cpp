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

void AddFill(const TTileMap& map, int32_t layer, int32_t col, int32_t row, int32_t tile, TCellsCommand& cmd) {
  if (col < 0 || row < 0 || col >= map.Columns() || row >= map.Rows()) return;
  int32_t from = map.GetIn(layer, col, row);
  if (from == tile) return;
  // An explicit stack and a visited grid: a 4096 x 4096 area must not
  // overflow the call stack, and cmd.Add would be quadratic on lookups.
  std::vector<uint8_t> seen(size_t(map.Columns()) * size_t(map.Rows()), 0);
  std::vector<std::pair<int32_t, int32_t>> todo{{col, row}};
  std::vector<TCellChange> changes;
  while (!todo.empty()) {
    auto [c, r] = todo.back();
    todo.pop_back();
    if (c < 0 || r < 0 || c >= map.Columns() || r >= map.Rows()) continue;
    size_t at = size_t(r) * size_t(map.Columns()) + size_t(c);
    if (seen[at] || map.GetIn(layer, c, r) != from) continue;
    seen[at] = 1;
    changes.push_back({layer, c, r, from, tile});
    todo.push_back({c + 1, r});
    todo.push_back({c - 1, r});
    todo.push_back({c, r + 1});
    todo.push_back({c, r - 1});
  }
  for (const TCellChange& ch : changes) cmd.AddNew(ch);
}

}  // namespace ruvel
