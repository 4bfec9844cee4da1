#include "assetedit/sheet_pixels.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace ruvel {

TRect SpanRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return TRect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1};
}

TRect ClipToImage(const TPixelImage& image, const TRect& r) {
  TRect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, image.width), std::min(r.bottom, image.height)};
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}


void PutPixel(TPixelImage& image, int32_t x, int32_t y, uint32_t color) {
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  image.pixels[size_t(y) * size_t(image.width) + size_t(x)] = color & 0xFFFFFF;
}

void DrawLine(TPixelImage& image, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color) {
  int32_t dx = std::abs(x1 - x0);
  int32_t dy = -std::abs(y1 - y0);
  int32_t sx = x0 < x1 ? 1 : -1;
  int32_t sy = y0 < y1 ? 1 : -1;
  int32_t err = dx + dy;
  for (;;) {
    PutPixel(image, x0, y0, color);
    if (x0 == x1 && y0 == y1) break;
    int32_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

void DrawRect(TPixelImage& image, const TRect& r, uint32_t color, bool filled) {
  TRect c = ClipToImage(image, r);
  for (int32_t y = c.top; y < c.bottom; ++y) {
    for (int32_t x = c.left; x < c.right; ++x) {
      bool edge = x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1;
      if (filled || edge) PutPixel(image, x, y, color);
    }
  }
}

TRect FloodFill(TPixelImage& image, int32_t x, int32_t y, uint32_t color) {
  color &= 0xFFFFFF;
  TRect changed{0, 0, 0, 0};
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return changed;
  uint32_t from = image.At(x, y);
  if (from == color) return changed;
  changed = TRect{x, y, x + 1, y + 1};
  // Scanline fill with an explicit stack, so a large area never recurses.
  std::vector<std::pair<int32_t, int32_t>> stack{{x, y}};
  auto at = [&](int32_t px, int32_t py) -> uint32_t& { return image.pixels[size_t(py) * size_t(image.width) + size_t(px)]; };
  while (!stack.empty()) {
    auto [sx, sy] = stack.back();
    stack.pop_back();
    if (at(sx, sy) != from) continue;
    int32_t l = sx;
    while (l > 0 && at(l - 1, sy) == from) --l;
    int32_t r = sx;
    while (r + 1 < image.width && at(r + 1, sy) == from) ++r;
    for (int32_t px = l; px <= r; ++px) at(px, sy) = color;
    changed.left = std::min(changed.left, l);
    changed.right = std::max(changed.right, r + 1);
    changed.top = std::min(changed.top, sy);
    changed.bottom = std::max(changed.bottom, sy + 1);
    for (int32_t ny : {sy - 1, sy + 1}) {
      if (ny < 0 || ny >= image.height) continue;
      for (int32_t px = l; px <= r; ++px) {
        if (at(px, ny) == from && (px == l || at(px - 1, ny) != from)) stack.emplace_back(px, ny);
      }
    }
  }
  return changed;
}

TPixelBlock CopyBlock(const TPixelImage& image, const TRect& r) {
  TPixelBlock b;
  TRect c = ClipToImage(image, r);
  if (c.Empty()) return b;
  b.width = c.right - c.left;
  b.height = c.bottom - c.top;
  b.pixels.reserve(size_t(b.width) * size_t(b.height));
  for (int32_t y = c.top; y < c.bottom; ++y) {
    for (int32_t x = c.left; x < c.right; ++x) b.pixels.push_back(image.At(x, y));
  }
  return b;
}

void PasteBlock(TPixelImage& image, const TPixelBlock& block, int32_t x, int32_t y) {
  for (int32_t by = 0; by < block.height; ++by) {
    for (int32_t bx = 0; bx < block.width; ++bx) {
      PutPixel(image, x + bx, y + by, block.pixels[size_t(by) * size_t(block.width) + size_t(bx)]);
    }
  }
}

TPixelBlock FlipBlock(const TPixelBlock& block, bool horizontal) {
  TPixelBlock out = block;
  for (int32_t y = 0; y < block.height; ++y) {
    for (int32_t x = 0; x < block.width; ++x) {
      int32_t sx = horizontal ? block.width - 1 - x : x;
      int32_t sy = horizontal ? y : block.height - 1 - y;
      out.pixels[size_t(y) * size_t(block.width) + size_t(x)] = block.pixels[size_t(sy) * size_t(block.width) + size_t(sx)];
    }
  }
  return out;
}

TPixelBlock TurnBlock(const TPixelBlock& block) {
  TPixelBlock out;
  out.width = block.height;
  out.height = block.width;
  out.pixels.resize(block.pixels.size());
  // Clockwise: the source's bottom-left corner becomes the top-left.
  for (int32_t y = 0; y < out.height; ++y) {
    for (int32_t x = 0; x < out.width; ++x) {
      out.pixels[size_t(y) * size_t(out.width) + size_t(x)] =
          block.pixels[size_t(block.height - 1 - x) * size_t(block.width) + size_t(y)];
    }
  }
  return out;
}

}  // namespace ruvel
