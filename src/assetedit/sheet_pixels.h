// Drawing on a sheet's pixels in memory: lines, rectangles, flood fill,
// copying and pasting blocks, flipping and quarter turns. Everything is
// clipped to the image, so callers may pass points outside it.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/rect.h"
#include "screen/pattern_image.h"

namespace ruvel {

// A block of pixels lifted out of a sheet (a copy, the clipboard).
struct TPixelBlock {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, rows from the top
  bool Empty() const { return width <= 0 || height <= 0; }
};

// The rectangle (right- and bottom-exclusive) spanned by two corner
// pixels given in either order, both included.
TRect SpanRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
// r cut down to the image; empty (right <= left) when it lies outside.
TRect ClipToImage(const TPixelImage& image, const TRect& r);

void PutPixel(TPixelImage& image, int32_t x, int32_t y, uint32_t color);
// A line from (x0, y0) to (x1, y1), both ends included (Bresenham).
void DrawLine(TPixelImage& image, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color);
// The outline of r, or all of it when filled.
void DrawRect(TPixelImage& image, const TRect& r, uint32_t color, bool filled);
// Fills the 4-connected area of (x, y)'s exact colour. The bounding box of
// what changed is returned (empty when nothing did).
TRect FloodFill(TPixelImage& image, int32_t x, int32_t y, uint32_t color);

TPixelBlock CopyBlock(const TPixelImage& image, const TRect& r);
// Writes the block with its top-left corner at (x, y).
void PasteBlock(TPixelImage& image, const TPixelBlock& block, int32_t x, int32_t y);
TPixelBlock FlipBlock(const TPixelBlock& block, bool horizontal);
// A quarter turn clockwise: width and height change places.
TPixelBlock TurnBlock(const TPixelBlock& block);

}  // namespace ruvel
