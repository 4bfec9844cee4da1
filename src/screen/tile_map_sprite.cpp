#include "screen/tile_map_sprite.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/surface.h"
#include "screen/pattern_source.h"

namespace ruvel {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

TVisibleCells VisibleCells(const TTileMap& map, int64_t x, int64_t y, int32_t width, int32_t height) {
  TVisibleCells v;
  if (map.Empty() || width <= 0 || height <= 0) return v;
  const int64_t tw = map.TileWidth();
  const int64_t th = map.TileHeight();
  v.col0 = static_cast<int32_t>(std::clamp<int64_t>(FloorDiv(-x, tw) - 1, 0, map.Columns()));
  v.col1 = static_cast<int32_t>(std::clamp<int64_t>(FloorDiv(width - 1 - x, tw), -1, map.Columns() - 1));
  v.row0 = static_cast<int32_t>(std::clamp<int64_t>(FloorDiv(-y, th) - 1, 0, map.Rows()));
  v.row1 = static_cast<int32_t>(std::clamp<int64_t>(FloorDiv(height - 1 - y, th), -1, map.Rows() - 1));
  return v;
}

// Only the visible cells are visited, and each tile number is looked up
// once per draw, so a huge map costs what one screenful of tiles costs.
void TTileMapSprite::Draw(TDrawTarget& target) {
  if (!map || !target.surface || layer < 0 || layer >= static_cast<int32_t>(map->Layers().size())) return;
  const TVisibleCells v = VisibleCells(*map, x, y, target.surface->Width(), target.surface->Height());
  if (v.col1 < v.col0 || v.row1 < v.row0) return;
  const std::vector<int32_t>& cells = map->Layers()[layer].cells;
  const int64_t tw = map->TileWidth();
  const int64_t th = map->TileHeight();
  // 0: not looked up yet, 1: found, 2: no such pattern.
  std::vector<uint8_t> state;
  std::vector<TPatternView> views;
  SDL_Texture* copying = nullptr;  // the sheet whose blending is off
  for (int32_t r = v.row0; r <= v.row1; ++r) {
    const int32_t* row = cells.data() + size_t(r) * size_t(map->Columns());
    const int64_t top = y + r * th;
    for (int32_t c = v.col0; c <= v.col1; ++c) {
      const int32_t t = row[c];
      if (t < 0) continue;
      if (size_t(t) >= state.size()) {
        state.resize(size_t(t) + 1, 0);
        views.resize(size_t(t) + 1);
      }
      if (state[t] == 0) {
        TPatternView& pv = views[t];
        const int64_t pattern = int64_t(firstPattern) + t;
        const bool found = pattern <= INT32_MAX && FindPattern(static_cast<int32_t>(pattern), pv) &&
                           pv.rect.Width() > 0 && pv.rect.Height() > 0;
        state[t] = found ? 1 : 2;
        if (found) SDL_SetTextureAlphaMod(pv.texture, 255);
      }
      if (state[t] != 1) continue;
      const TPatternView& pv = views[t];
      SDL_Rect src{pv.rect.left, pv.rect.top, pv.rect.Width(), pv.rect.Height()};
      SDL_Rect dst{static_cast<int>(x + c * tw), static_cast<int>(top), src.w, src.h};
      if (pv.opaque != (copying == pv.texture)) {
        // Opaque tiles are copied; the sheet's blending comes back after them.
        if (copying) SDL_SetTextureBlendMode(copying, SDL_BLENDMODE_BLEND);
        copying = pv.opaque ? pv.texture : nullptr;
        if (copying) SDL_SetTextureBlendMode(copying, SDL_BLENDMODE_NONE);
      }
      SDL_RenderCopy(target.renderer, pv.texture, &src, &dst);
    }
  }
  if (copying) SDL_SetTextureBlendMode(copying, SDL_BLENDMODE_BLEND);
}

}  // namespace ruvel
