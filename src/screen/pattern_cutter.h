// Cutting a pattern sheet into patterns. Every pattern is enclosed in a
// one-pixel frame of "ink" (a colour farther than 32 from the sheet's
// background, the pixel at (0, 0)); the frame's top-left pixel is the
// pattern's key colour. Frames are found in raster order of their top-left
// corners. A sheet whose frames cannot all be cut becomes one pattern
// covering everything but its first row and column. The cutter works on
// pixels in memory only; textures are made from its result elsewhere.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rect.h"
#include "screen/pattern_image.h"

namespace ruvel {

// Colours up to this distance from the background are background.
constexpr int kInkDistance = 32;

// One pattern: its pixels (right- and bottom-exclusive; the frame lies just
// outside) and its key colour 0x00RRGGBB.
struct TPatElem {
  TRect rect;
  uint32_t key = 0;
  bool operator==(const TPatElem& o) const = default;
};

struct TCutResult {
  std::vector<TPatElem> elems;
  bool cutOk = true;  // cleared when the sheet fell back to one pattern
};

// Sum of the absolute differences of the three colour bytes.
int ColorDistance(uint32_t a, uint32_t b);

// Cuts the sheet. refill is called at the start of a row when the previous
// row took more than 100 ms, so the sound engine can be fed during long
// cuts. The reasons for a fallback are written to the log.
TCutResult CutSheet(const TPixelImage& image, const std::function<void()>& refill = {});

// The sheet as ARGB8888 pixels for a texture: opaque, except that inside
// each pattern the pixels of exactly its key colour are fully transparent
// (0x00000000).
std::vector<uint32_t> KeyedPixels(const TPixelImage& image, const std::vector<TPatElem>& elems);

}  // namespace ruvel
